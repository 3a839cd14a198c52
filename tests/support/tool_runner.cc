// SPDX-License-Identifier: GPL-3.0-or-later
// Process plumbing for the end-to-end tests: fork, set up the child's
// standard descriptors, limits and user, exec the tool, collect its output.

#include "tool_runner.h"

#include <fcntl.h>
#include <grp.h>
#include <netinet/in.h>
#include <poll.h>
#include <pty.h>
#include <pwd.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <utmp.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string_view>

namespace e2e {

static std::string toolPath = [] {
  const char* fromEnvironment = std::getenv("HAMSHIFT_TOOL");
  return std::string(fromEnvironment ? fromEnvironment : "");
}();
static std::string launcher = [] {
  const char* fromEnvironment = std::getenv("HAMSHIFT_LAUNCHER");
  return std::string(fromEnvironment ? fromEnvironment : "");
}();

void configureFromArguments(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument.starts_with("--tool=")) toolPath = argument.substr(7);
    if (argument.starts_with("--launcher=")) launcher = argument.substr(11);
  }
  // The tool runs in a folder of its own, so a relative path would miss it.
  if (toolPath.find('/') != std::string::npos)
    toolPath = std::filesystem::absolute(toolPath).string();
}

bool targetIsWindows() {
  return toolPath.ends_with(".exe");
}

bool unprivilegedUserExists() {
  return getpwnam("nobody") != nullptr;
}

const std::string& toolUnderTest() {
  return toolPath;
}

std::string emulator() {
  std::istringstream words(launcher);
  std::string last;
  for (std::string word; words >> word;) last = word;
  return last;
}

uid_t unprivilegedUser() {
  const passwd* nobody = getpwnam("nobody");
  return nobody ? nobody->pw_uid : 65534;
}

gid_t unprivilegedGroup() {
  const passwd* nobody = getpwnam("nobody");
  return nobody ? nobody->pw_gid : 65534;
}

// The runs as the unprivileged user start a copy of the tool from a folder
// made for them under the system's temporary folder, since the build may lie
// where only its owner can enter. A coverage build's profiles go to a folder
// there too, and are moved to the real one after each run.
struct StagedTool {
  std::string folder;
  std::string path;
  std::string profiles;  // empty unless LLVM_PROFILE_FILE is set
  ~StagedTool() {
    std::error_code ignored;
    if (!folder.empty()) std::filesystem::remove_all(folder, ignored);
  }
};

static const StagedTool& stagedTool() {
  static StagedTool staged = [] {
    StagedTool made;
    std::string name = std::string(P_tmpdir) + "/hamshift-tool-XXXXXX";
    if (mkdtemp(name.data()) == nullptr) return made;
    made.folder = name;
    namespace fs = std::filesystem;
    std::error_code error;
    made.path = made.folder + "/" + fs::path(toolPath).filename().string();
    fs::copy_file(toolPath, made.path, error);
    if (chmod(made.folder.c_str(), 0755) != 0 || chmod(made.path.c_str(), 0755) != 0 || error)
      made.path = toolPath;
    if (std::getenv("LLVM_PROFILE_FILE") != nullptr) {
      made.profiles = made.folder + "/profiles";
      if (mkdir(made.profiles.c_str(), 0700) != 0 ||
          chown(made.profiles.c_str(), unprivilegedUser(), unprivilegedGroup()) != 0)
        made.profiles.clear();
    }
    return made;
  }();
  return staged;
}

static void collectProfiles(const StagedTool& staged) {
  const char* target = std::getenv("LLVM_PROFILE_FILE");
  if (staged.profiles.empty() || target == nullptr) return;
  namespace fs = std::filesystem;
  const fs::path into = fs::path(target).parent_path();
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(staged.profiles, error)) {
    fs::copy_file(entry.path(), into / entry.path().filename(), error);
    fs::remove(entry.path(), error);
  }
}

static std::vector<std::string> commandWords(const std::string& tool,
                                             const std::vector<std::string>& arguments,
                                             const std::vector<std::string>& startedBy) {
  std::vector<std::string> words;
  std::istringstream launcherWords(launcher);
  for (std::string word; launcherWords >> word;) words.push_back(word);
  words.insert(words.end(), startedBy.begin(), startedBy.end());
  words.push_back(tool);
  words.insert(words.end(), arguments.begin(), arguments.end());
  return words;
}

[[noreturn]] static void execTool(const std::vector<std::string>& arguments,
                                  const std::string& tool = toolPath,
                                  const std::vector<std::string>& startedBy = {}) {
  const std::vector<std::string> words = commandWords(tool, arguments, startedBy);
  std::vector<char*> argv;
  argv.reserve(words.size() + 1);
  for (const std::string& word : words) argv.push_back(const_cast<char*>(word.c_str()));
  argv.push_back(nullptr);
  execvp(argv[0], argv.data());
  _exit(127);
}

// A file holding the input, already unlinked; the child reads it as stdin.
static int inputFile(const std::string& input) {
  char name[] = "/tmp/hamshift-input-XXXXXX";
  const int descriptor = mkstemp(name);
  if (descriptor < 0) return -1;
  unlink(name);
  if (write(descriptor, input.data(), input.size()) != static_cast<ssize_t>(input.size()) ||
      lseek(descriptor, 0, SEEK_SET) != 0) {
    close(descriptor);
    return -1;
  }
  return descriptor;
}

[[noreturn]] static void startChild(const std::string& folder, const RunOptions& options, int input,
                                    int output, int errors) {
  dup2(input, 0);
  dup2(options.outputToFullDevice ? open("/dev/full", O_WRONLY) : output, 1);
  dup2(errors, 2);
  if (options.closeStandardInput) close(0);
  if (options.closeStandardOutput) close(1);
  if (options.closeStandardError) close(2);
  for (int descriptor = 3; descriptor < 1024; ++descriptor) close(descriptor);

  if (chdir(folder.c_str()) != 0) _exit(126);
  if (options.fileSizeLimit >= 0) {
    const rlimit limit{static_cast<rlim_t>(options.fileSizeLimit),
                       static_cast<rlim_t>(options.fileSizeLimit)};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(126);
  }
  const StagedTool* staged = nullptr;
  if (options.unprivileged && geteuid() == 0) {
    staged = &stagedTool();
    if (setgroups(0, nullptr) != 0 || setgid(unprivilegedGroup()) != 0 ||
        setuid(unprivilegedUser()) != 0)
      _exit(126);
    const char* settings = std::getenv("HAMSHIFT_UNPRIVILEGED_ENV");
    std::istringstream words(settings ? settings : "");
    for (std::string word; words >> word;) putenv(strdup(word.c_str()));
    if (!staged->profiles.empty())
      setenv("LLVM_PROFILE_FILE", (staged->profiles + "/%p-%m.profraw").c_str(), 1);
  }
  for (const std::string& setting : options.environment) putenv(strdup(setting.c_str()));
  // Windows has no file-size signal, so a Windows program cannot ignore it as
  // the POSIX build does; an emulator's host process would die by it.
  if (options.fileSizeLimit >= 0 && targetIsWindows()) signal(SIGXFSZ, SIG_IGN);
  signal(SIGPIPE, SIG_DFL);
  const std::string& program = options.program.empty() ? toolPath : options.program;
  execTool(options.arguments, staged ? staged->path : program, options.startedBy);
}

// One end of a TCP connection on the loopback whose other end was closed
// with a reset, as a reader that has gone away does: the first write to it
// fails with ECONNRESET, the next ones with EPIPE. -1 when it cannot be made.
static int resetSocket() {
  const int listener = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  const int writer = socket(AF_INET, SOCK_STREAM, 0);
  int reader = -1;
  if (listener >= 0 && writer >= 0 &&
      bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      listen(listener, 1) == 0 &&
      getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) == 0 &&
      connect(writer, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
    reader = accept(listener, nullptr, nullptr);
  if (listener >= 0) close(listener);
  if (reader < 0) {
    if (writer >= 0) close(writer);
    return -1;
  }
  const linger reset{1, 0};
  setsockopt(reader, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
  close(reader);
  usleep(50000);  // the reset arrives
  return writer;
}

RunResult runTool(const std::string& folder, const RunOptions& options) {
  RunResult result;
  const bool staged = options.unprivileged && geteuid() == 0;
  if (staged) stagedTool();  // made here, not in each child
  const int input = inputFile(options.input);
  // Standard error goes to a file of its own, read once the tool has ended.
  char errorsPath[] = "/tmp/hamshift-errors-XXXXXX";
  const int errors = mkstemp(errorsPath);
  if (errors >= 0) unlink(errorsPath);
  int outputPipe[2];
  if (input < 0 || errors < 0 || pipe(outputPipe) != 0) return result;
  if (options.brokenOutputPipe || options.resetOutputSocket) {
    close(outputPipe[0]);
    outputPipe[0] = -1;
  }
  if (options.resetOutputSocket) {
    const int socket = resetSocket();
    if (socket < 0) return result;
    dup2(socket, outputPipe[1]);
    close(socket);
  }

  const pid_t child = fork();
  if (child == 0) startChild(folder, options, input, outputPipe[1], errors);
  close(input);
  close(outputPipe[1]);
  if (child < 0) {
    if (outputPipe[0] >= 0) close(outputPipe[0]);
    close(errors);
    return result;
  }

  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::seconds(options.timeoutSeconds);
  while (outputPipe[0] >= 0) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd ready{outputPipe[0], POLLIN, 0};
    if (left.count() <= 0 || poll(&ready, 1, static_cast<int>(left.count())) == 0) {
      result.timedOut = true;
      kill(child, SIGKILL);
      break;
    }
    char buffer[4096];
    const ssize_t got = read(outputPipe[0], buffer, sizeof buffer);
    if (got <= 0) break;
    result.output.append(buffer, static_cast<std::size_t>(got));
  }
  if (outputPipe[0] >= 0) close(outputPipe[0]);

  int status = 0;
  if (outputPipe[0] < 0) {
    // Nothing to read: wait for the exit, bounded by the same deadline.
    for (int waited = 0; waitpid(child, &status, WNOHANG) == 0; ++waited) {
      if (waited >= options.timeoutSeconds * 100) {
        result.timedOut = true;
        kill(child, SIGKILL);
      }
      usleep(10000);
    }
  } else {
    waitpid(child, &status, 0);
  }
  if (WIFEXITED(status)) result.exitStatus = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
  if (errors >= 0) {
    char buffer[4096];
    lseek(errors, 0, SEEK_SET);
    for (ssize_t got; (got = read(errors, buffer, sizeof buffer)) > 0;)
      result.errors.append(buffer, static_cast<std::size_t>(got));
    close(errors);
  }
  if (staged) collectProfiles(stagedTool());
  return result;
}

static bool sameModes(const termios& a, const termios& b) {
  return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_lflag == b.c_lflag &&
         a.c_cflag == b.c_cflag && a.c_cc[VMIN] == b.c_cc[VMIN] && a.c_cc[VTIME] == b.c_cc[VTIME];
}

// The child's side of a terminal run, after it has taken the terminal.
[[noreturn]] static void startOnTerminal(const TerminalOptions& options,
                                         const std::string& program) {
  for (const std::string& setting : options.environment) putenv(const_cast<char*>(setting.c_str()));
  if (options.nonBlocking) fcntl(0, F_SETFL, fcntl(0, F_GETFL) | O_NONBLOCK);
  // A test run started in the background by a shell without job control has
  // SIGINT and SIGQUIT ignored; the tool starts with every signal's default.
  for (int signal = 1; signal < NSIG; ++signal) std::signal(signal, SIG_DFL);
  sigset_t blocked;
  sigemptyset(&blocked);
  for (const int signal : options.blockedSignals) sigaddset(&blocked, signal);
  sigprocmask(SIG_BLOCK, &blocked, nullptr);
  if (!options.outputFile.empty())
    dup2(open(options.outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
  if (options.unprivileged && geteuid() == 0) {
    if (setgroups(0, nullptr) != 0 || setgid(unprivilegedGroup()) != 0 ||
        setuid(unprivilegedUser()) != 0)
      _exit(126);
    // A coverage build's profile goes where that user may write it.
    if (!stagedTool().profiles.empty())
      setenv("LLVM_PROFILE_FILE", (stagedTool().profiles + "/%p-%m.profraw").c_str(), 1);
  }
  if (!options.asJob) execTool(options.arguments, program);
  // As a job-control shell does: the tool's group is put in front, and this
  // process, its parent in the same session, keeps the group from being
  // orphaned. The tool's end is passed on as this process's own.
  signal(SIGTTOU, SIG_IGN);
  termios before{};
  tcgetattr(0, &before);
  const pid_t tool = fork();
  if (tool == 0) {
    setpgid(0, 0);
    if (!options.startInBackground) tcsetpgrp(0, getpid());
    signal(SIGTTOU, SIG_DFL);
    execTool(options.arguments);
  }
  setpgid(tool, tool);
  int status = 0;
  pid_t ended;
  if (options.startInBackground) {
    do ended = waitpid(tool, &status, WUNTRACED);
    while (ended < 0 && errno == EINTR);
    if (ended == tool && WIFSTOPPED(status)) {
      termios now{};
      tcgetattr(0, &now);
      if (!sameModes(before, now))
        (void)!write(1, kModesChangedInBackground, sizeof kModesChangedInBackground - 1);
    }
  }
  tcsetpgrp(0, tool);
  if (options.startInBackground) kill(-tool, SIGCONT);
  do ended = waitpid(tool, &status, 0);
  while (ended < 0 && errno == EINTR);
  if (WIFSIGNALED(status)) {
    signal(WTERMSIG(status), SIG_DFL);
    raise(WTERMSIG(status));
  }
  _exit(WIFEXITED(status) ? WEXITSTATUS(status) : 125);
}

TerminalResult runInTerminal(const std::string& folder, const TerminalOptions& options) {
  TerminalResult result;
  // Made here, not in the child.
  const std::string tool = options.unprivileged && geteuid() == 0 ? stagedTool().path : toolPath;
  winsize size{options.rows, options.columns, 0, 0};
  int terminal = -1;
  int slave = -1;
  if (openpty(&terminal, &slave, nullptr, nullptr, &size) != 0) return result;
  // Read before the tool exists: once it runs, it may be in raw mode already.
  termios before{};
  tcgetattr(slave, &before);
  // Keys typed ahead are in before the tool starts, on a terminal that does
  // not echo them: the kernel echoes a key when the next write comes, which
  // may be the tool's prompt, and no program can stop that.
  std::size_t nextKey = 0;
  if (options.typeAhead && !options.keys.empty()) {
    before.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    const std::string& keys = options.keys[nextKey++];
    if (tcsetattr(slave, TCSANOW, &before) != 0 || write(terminal, keys.data(), keys.size()) < 0) {
      close(slave);
      close(terminal);
      return result;
    }
  }
  const pid_t child = fork();
  if (child < 0) {
    close(slave);
    close(terminal);
    return result;
  }
  if (child == 0) {
    close(terminal);
    if (options.noControllingTerminal) {
      // A session of its own, as setsid gives, with the terminal on its
      // descriptors but never made its controlling one.
      if (setsid() < 0 || dup2(slave, 0) < 0 || dup2(slave, 1) < 0 || dup2(slave, 2) < 0)
        _exit(126);
      close(slave);
    } else if (login_tty(slave) != 0) {
      _exit(126);
    }
    if (chdir(folder.c_str()) != 0) _exit(126);
    startOnTerminal(options, tool);
  }
  close(slave);

  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  const auto deadline = start + std::chrono::seconds(options.timeoutSeconds);
  auto nextKeyAt = start + std::chrono::milliseconds(options.pauseMs);
  bool signalled = false;
  bool waited = options.waitFor.empty();
  for (;;) {
    const auto now = Clock::now();
    if (now >= deadline) {
      result.timedOut = true;
      kill(child, SIGKILL);
      break;
    }
    if (!waited && result.output.find(options.waitFor) != std::string::npos) {
      waited = true;
      nextKeyAt = now;
    }
    if (waited && now >= nextKeyAt && nextKey < options.keys.size()) {
      if (options.resizeColumns != 0 && nextKey == options.resizeBeforeKey) {
        const winsize resized{options.rows, options.resizeColumns, 0, 0};
        ioctl(terminal, TIOCSWINSZ, &resized);
        result.outputBeforeResize = result.output.size();
      }
      const std::string& keys = options.keys[nextKey++];
      if (write(terminal, keys.data(), keys.size()) < 0) break;
      if (options.afterKey) options.afterKey(nextKey - 1, terminal);
      nextKeyAt = Clock::now() + std::chrono::milliseconds(options.pauseMs);
    } else if (now >= nextKeyAt && options.signalAfterKeys && !signalled) {
      kill(child, options.signalAfterKeys);
      signalled = true;
    } else if (now >= nextKeyAt && nextKey == options.keys.size() && options.hangUpAfterKeys) {
      break;
    }
    pollfd ready{terminal, POLLIN, 0};
    if (poll(&ready, 1, 10) <= 0) continue;
    char buffer[4096];
    const ssize_t got = read(terminal, buffer, sizeof buffer);
    if (got <= 0) break;  // the tool has gone and closed its side
    result.output.append(buffer, static_cast<std::size_t>(got));
  }
  termios after{};
  if (options.hangUpAfterKeys) {
    // The tool is left with a terminal that has gone; it must end by itself.
    close(terminal);
    terminal = -1;
  } else {
    tcgetattr(terminal, &after);
    result.settingsRestored = sameModes(before, after);
    result.echoAfter = (after.c_lflag & ECHO) && (after.c_lflag & ICANON);
  }
  int status = 0;
  for (int waitedMs = 0; waitpid(child, &status, WNOHANG) == 0; waitedMs += 10) {
    if (waitedMs >= options.timeoutSeconds * 1000) {
      result.timedOut = true;
      kill(child, SIGKILL);
    }
    usleep(10000);
  }
  if (terminal >= 0) close(terminal);
  if (WIFEXITED(status)) result.exitStatus = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
  if (options.unprivileged && geteuid() == 0) collectProfiles(stagedTool());
  return result;
}

}  // namespace e2e
