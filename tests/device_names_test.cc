// Windows device names, which open a device in every folder: refused before
// any open, and ordinary names not.

#include "datafile/device_names.h"

#include <gtest/gtest.h>

namespace {

TEST(DeviceNamesTest, DevicesAndFiles) {
  struct Case {
    std::u16string name;
    bool device;
  };
  const Case cases[] = {
      {u"NUL.DAT", true},
      {u"nul.dat", true},
      {u"CON.DAT", true},
      {u"PRN.DAT", true},
      {u"AUX .DAT", true},
      {u"COM1:DAT", true},
      {u"com9.dat", true},
      {u"LPT1.DAT", true},
      {u"LPT0.DAT", true},
      {u"COM\u00b9.DAT", true},
      {u"COM\u00b3.DAT", true},
      {u"CONIN$.DAT", true},
      {u"conout$.dat", true},
      {u"C:NUL.DAT", true},
      {u"C:\\Radios\\NUL.DAT", true},
      {u"radios/COM2.DAT", true},
      {u"\\\\.\\NUL.DAT", true},
      {u"\\\\?\\C:\\R.DAT", true},
      {u"//./COM1", true},
      {u"RADIO.DAT", false},
      {u"CONSOLE.DAT", false},
      {u"NULL.DAT", false},
      {u"COM.DAT", false},
      {u"COM10.DAT", false},
      {u"COM\u00b4.DAT", false},
      {u"LPTA.DAT", false},
      {u"NUL\\RADIO.DAT", false},
      {u"C:\\CON\\RADIO.DAT", false},
      {u"XNUL.DAT", false},
      {u"", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(namesDevice(c.name), c.device) << std::string(c.name.begin(), c.name.end());
}

}  // namespace
