#pragma once

#include <string>

// A text as XML (and HTML) character data or an attribute value: the five characters with a
// meaning of their own written as references.
void AppendXmlEscaped(std::string& out, const std::string& text);
std::string XmlEscaped(const std::string& text);
