// SPDX-License-Identifier: GPL-3.0-or-later
// Windows device names, which open a device in every folder: refused before
// any open, and ordinary names not; and the long form of a long path.

#include "datafile/windows_paths.h"

#include <gtest/gtest.h>

namespace {

TEST(WindowsPathsTest, DevicesAndFiles) {
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
      {u"//./COM1", true},
      {u"\\\\?\\COM1", true},
      {u"\\\\?\\GLOBALROOT\\Device\\Null", true},
      {u"\\??\\PhysicalDrive0", true},
      {u"\\\\.\\pipe\\R.DAT", true},
      {u"\\\\.\\C:\\Radios\\NUL.DAT", true},
      {u"//?/C:/NUL.DAT", true},
      {u"\\\\?\\Volume{R.DAT", true},
      {u"\\\\?\\C:\\R.DAT", false},
      {u"\\\\?\\c:\\Radios\\R.DAT", false},
      {u"\\\\?\\C:\\NUL.DAT", false},  // taken literally: a file of that name
      {u"\\??\\C:\\R.DAT", false},
      {u"\\\\?\\UNC\\server\\share\\R.DAT", false},
      {u"\\\\?\\unc\\server\\share\\R.DAT", false},
      {u"\\\\?\\Volume{0e4bd0b2-93a2-11e0-9f4b-806e6f6e6963}\\R.DAT", false},
      {u"\\\\.\\C:\\R.DAT", false},
      {u"//?/C:/R.DAT", false},
      {u"\\\\server\\share\\R.DAT", false},
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

TEST(WindowsPathsTest, LongPathsTakeTheLongForm) {
  const std::u16string folder = u"\\" + std::u16string(250, u'a');
  const std::u16string atLimit(kLongestShortPath - 7, u'b');  // with C:\ and .DAT
  struct Case {
    std::u16string fullPath;
    std::u16string longForm;
  };
  const Case cases[] = {
      {u"C:\\" + atLimit + u".DAT", u""},
      {u"C:\\" + atLimit + u"b.DAT", u"\\\\?\\C:\\" + atLimit + u"b.DAT"},
      {u"z:" + folder + u"\\RADIO.DAT", u"\\\\?\\z:" + folder + u"\\RADIO.DAT"},
      {u"\\\\server\\share" + folder + u"\\R.DAT",
       u"\\\\?\\UNC\\server\\share" + folder + u"\\R.DAT"},
      {u"\\\\?\\C:" + folder + u"\\RADIO.DAT", u""},
      {u"\\\\.\\C:" + folder + u"\\RADIO.DAT", u""},
      {u"C:\\RADIO.DAT", u""},
      {u"\\\\server\\share\\R.DAT", u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fullPath.size());
    EXPECT_EQ(longPathForm(c.fullPath), c.longForm);
  }
}

// A name of nothing is "was not found"; a file that is there but withheld is
// "cannot be opened", never the other way round.
TEST(WindowsPathsTest, OpenErrorsTellNothingFromWithheld) {
  struct Case {
    std::uint32_t error;
    OpenFailure failure;
  };
  const OpenFailure nothing = OpenFailure::NotFound, withheld = OpenFailure::CannotOpen;
  const Case cases[] = {
      {2, nothing},      // ERROR_FILE_NOT_FOUND
      {3, nothing},      // ERROR_PATH_NOT_FOUND
      {15, nothing},     // ERROR_INVALID_DRIVE
      {21, nothing},     // ERROR_NOT_READY
      {53, nothing},     // ERROR_BAD_NETPATH
      {67, nothing},     // ERROR_BAD_NET_NAME
      {123, nothing},    // ERROR_INVALID_NAME
      {161, nothing},    // ERROR_BAD_PATHNAME
      {206, nothing},    // ERROR_FILENAME_EXCED_RANGE
      {267, nothing},    // ERROR_DIRECTORY
      {5, withheld},     // ERROR_ACCESS_DENIED
      {32, withheld},    // ERROR_SHARING_VIOLATION
      {33, withheld},    // ERROR_LOCK_VIOLATION
      {1920, withheld},  // ERROR_CANT_ACCESS_FILE
      {0, withheld},
  };
  for (const Case& c : cases) EXPECT_EQ(openFailureOfError(c.error), c.failure) << c.error;
}

// Only a name taken sends the copy to the next name; any other failure to
// create it stops the run.
TEST(WindowsPathsTest, CreateErrorsTellATakenName) {
  struct Case {
    std::uint32_t error;
    bool exists;
  };
  const Case cases[] = {
      {80, true},    // ERROR_FILE_EXISTS
      {183, true},   // ERROR_ALREADY_EXISTS
      {5, false},    // ERROR_ACCESS_DENIED: a folder there, or no right to create
      {3, false},    // ERROR_PATH_NOT_FOUND
      {32, false},   // ERROR_SHARING_VIOLATION
      {112, false},  // ERROR_DISK_FULL
      {206, false},  // ERROR_FILENAME_EXCED_RANGE
      {0, false},
  };
  for (const Case& c : cases) EXPECT_EQ(errorMeansExists(c.error), c.exists) << c.error;
}

}  // namespace
