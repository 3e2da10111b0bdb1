#include "XmlText.h"

void AppendXmlEscaped(std::string& out, const std::string& text) {
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += c;
    }
  }
}

std::string XmlEscaped(const std::string& text) {
  std::string out;
  AppendXmlEscaped(out, text);
  return out;
}
