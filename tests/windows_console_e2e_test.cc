// End to end in a Windows console, under Wine: the typed name where the
// console's width and code pages matter, which the pipes of the other tests
// cannot reach. console_launcher.exe, built beside the tool by the windows
// preset, runs the tool in a console of its own with the keys typed ahead and
// prints the screen afterwards.

#include <gtest/gtest.h>

#include <filesystem>

#include "e2e_fixture.h"

namespace {

using namespace e2e;

class WindowsConsoleTest : public E2eTest {
 protected:
  void SetUp() override {
    if (!targetIsWindows()) GTEST_SKIP() << "a Windows console needs the Windows build";
    launcher = toolFolder() + "/console_launcher.exe";
    if (!std::filesystem::exists(launcher))
      GTEST_SKIP() << "console_launcher.exe, built by the windows preset, is not beside the tool";
  }

  // The tool in a console with `keys` typed ahead; the output is the screen.
  RunResult inConsole(const std::string& keys, std::vector<std::string> arguments = {},
                      const std::vector<std::string>& consoleOptions = {}) {
    RunOptions options;
    options.startedBy = {launcher};
    options.startedBy.insert(options.startedBy.end(), consoleOptions.begin(), consoleOptions.end());
    options.startedBy.push_back("--keys=" + keys);
    return run(std::move(arguments), options);
  }

  std::string launcher;
};

bool shows(const RunResult& result, const std::string& text) {
  return result.output.find(text) != std::string::npos;
}

TEST_F(WindowsConsoleTest, UpAndDownStepByTheWindowWidth) {
  // Down from the start and Up back again each precede a Delete: with a step
  // of the window's 80 columns they delete the 3 and then the 1. A step of
  // the buffer's 120 columns would leave the line, so both would hit the start.
  const std::string typed = "12" + std::string(78, 'a') + "3RADIO.DAT";
  const std::string name = "2" + std::string(78, 'a') + "RADIO.DAT";
  struct Case {
    const char* what;
    std::vector<std::string> consoleOptions;
  };
  const Case cases[] = {
      {"buffer as wide as the window", {}},
      {"buffer of 120 by 60 behind an 80-column window", {"--buffer=120x60"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Kpg59dPair file;
    put(name, file.before);
    const auto result =
        inConsole(typed + "{HOME}{DOWN}{DEL}{UP}{DEL}{ENTER}", {}, c.consoleOptions);
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(contents(name), file.after);
    EXPECT_TRUE(shows(result, "has been updated.")) << result.output;
  }
}

TEST_F(WindowsConsoleTest, AccentedNameOpensTheFileThatItShows) {
  // Under Wine the console's input code page is 437 and the ANSI code page
  // 1252: a typed é arrives as 0x82, while the command line and redirected
  // input give 0xE9. Each must open the folder José.
  std::filesystem::create_directory(folder.file("José"));
  const std::string name = "José/RADIO.DAT";
  const Kpg59dPair file;

  put(name, file.before);
  auto result = inConsole("José\\RADIO.DAT{ENTER}");
  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(contents(name), file.after) << "typed";
  // The typed bytes are kept for the report, so it shows what was typed.
  EXPECT_TRUE(shows(result, "\nJosé\\RADIO.DAT has been updated. 96Change(s) made.\n"))
      << result.output;

  put(name, file.before);
  result = inConsole("", {"José\\RADIO.DAT"});
  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(contents(name), file.after) << "on the command line";

  put(name, file.before);
  RunOptions options;
  options.input = "Jos\xE9\\RADIO.DAT\r\n";
  result = run({}, options);
  EXPECT_EQ(result.output, kBanner + kKpg59dDetected + report("Jos\xE9\\RADIO.DAT", 96));
  EXPECT_EQ(contents(name), file.after) << "from redirected input";
}

}  // namespace
