#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "ReadingTypes.h"

namespace {

TEST(RowTexts, LabelsAndMasksOfEveryType) {
  using enum MeterKind;
  const float below4 = std::nextafter(4.0f, 0.0f), below10 = std::nextafter(10.0f, 0.0f);
  struct Case {
    uint16_t type;
    MeterKind kind;
    float value, temperature;
    const char *label, *valueText, *temperatureText;
  } cases[] = {
      {542, DissolvedOxygen, 3.99f, 20, "D.O. (mg/l)", "3.99", "20.0"},
      {542, DissolvedOxygen, 4.0f, 20, "D.O. (mg/l)", "4.0", "20.0"},
      {542, DissolvedOxygen, below4, 20, "D.O. (mg/l)", "4.00", "20.0"},
      {286, DissolvedOxygen, 49.9f, -5, "D.O. (%Sat)", "49.9", "-5.0"},
      {286, DissolvedOxygen, 50.0f, -5, "D.O. (%Sat)", "50", "-5.0"},
      {286, DissolvedOxygen, std::nextafter(50.0f, 0.0f), -5, "D.O. (%Sat)", "50.0", "-5.0"},
      {286, DissolvedOxygen, 100.5f, 99.9f, "D.O. (%Sat)", "100", "99.9"},
      {34, MultiParameter, 9.9f, 21.5f, "SS-Low(mg/l)", "9.9", ""},
      {34, MultiParameter, 10.0f, 21.5f, "SS-Low(mg/l)", "10", ""},
      {34, MultiParameter, below10, 21.5f, "SS-Low(mg/l)", "10.0", ""},
      {35, MultiParameter, 1234, 21.5f, "SS-Hi(mg/l)", "1234", ""},
      {38, MultiParameter, 7, -99.9f, "pH", "7.00", "-99.9"},
      {294, MultiParameter, -2000, 0.04f, "ORP (mV-U.S.)", "-2000", "0.0"},
      {550, MultiParameter, 2000, 12.25f, "ORP (mV-Eur)", "2000", "12.2"},
      {999, MultiParameter, 12.5f, 20, "Unknown", "12", ""},
  };
  for (const Case& c : cases) {
    ReadingTable table;
    table.meterKind = c.kind;
    table.readings[3] = Reading{0, "A", c.value, c.type, c.temperature, 0};
    const RowTexts texts = rowTexts(table, 3);
    EXPECT_EQ(texts.label, c.label) << c.type << " " << c.value;
    EXPECT_EQ(texts.value, c.valueText) << c.type << " " << c.value;
    EXPECT_EQ(texts.temperature, c.temperatureText) << c.type << " " << c.value;
  }
}

}  // namespace
