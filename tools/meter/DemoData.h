#pragma once

#include "Meter.h"

// Fills an empty meter with the built-in demonstration log of its kind.
void StoreDemoReadings(Meter& meter);
