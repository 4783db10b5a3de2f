// fork/exec with both output streams read through pipes until the child exits, with
// optional resource limits and a wall-clock timeout that kills the child.
#include "support/process.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <stdexcept>

namespace quillfen::testing {
namespace {

using Clock = std::chrono::steady_clock;

// Runs in the child between fork and exec: only async-signal-safe calls, and any failure
// ends the child with 127 like a failed exec.
void set_limit(int resource, std::uint64_t value) {
  const rlimit limit{static_cast<rlim_t>(value), static_cast<rlim_t>(value)};
  if (::setrlimit(resource, &limit) != 0) ::_exit(127);
}

// Also in the child: puts standard stream `fd` where `target` says.
void connect(int fd, StreamTarget target, int capture, int broken) {
  switch (target) {
    case StreamTarget::Capture:
      if (::dup2(capture, fd) < 0) ::_exit(127);
      break;
    case StreamTarget::Closed:
      ::close(fd);
      break;
    case StreamTarget::DevFull: {
      const int full = ::open("/dev/full", O_WRONLY);
      if (full < 0 || ::dup2(full, fd) < 0) ::_exit(127);
      ::close(full);
      break;
    }
    case StreamTarget::BrokenPipe:
      if (::dup2(broken, fd) < 0) ::_exit(127);
      break;
  }
}

}  // namespace

ProcessResult run_process(const std::string& program, const std::vector<std::string>& args) {
  return run_process(program, args, ProcessOptions{});
}

ProcessResult run_process(const std::string& program, const std::vector<std::string>& args,
                          const ProcessOptions& options) {
  int out_pipe[2];
  int err_pipe[2];
  if (::pipe2(out_pipe, O_CLOEXEC) != 0 || ::pipe2(err_pipe, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  // A pipe with no reader from the start: its read end is closed before the child exists.
  int broken_pipe[2];
  if (::pipe2(broken_pipe, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  ::close(broken_pipe[0]);

  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  // The environment is built before fork: the child may not allocate.
  std::vector<std::string> env_strings;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    bool replaced = false;
    for (const auto& [name, value] : options.environment) replaced |= entry.starts_with(name + "=");
    if (!replaced) env_strings.push_back(entry);
  }
  for (const auto& [name, value] : options.environment) env_strings.push_back(name + "=" + value);
  std::vector<char*> envp;
  for (auto& s : env_strings) envp.push_back(s.data());
  envp.push_back(nullptr);

  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    const int null_in = ::open("/dev/null", O_RDONLY);
    ::dup2(null_in, 0);
    connect(1, options.out, out_pipe[1], broken_pipe[1]);
    connect(2, options.err, err_pipe[1], broken_pipe[1]);
    for (const int sig : {SIGPIPE, SIGXFSZ, SIGINT, SIGTERM}) ::signal(sig, SIG_DFL);
    if (options.address_space_bytes) set_limit(RLIMIT_AS, *options.address_space_bytes);
    if (options.cpu_seconds) set_limit(RLIMIT_CPU, *options.cpu_seconds);
    if (options.file_size_bytes) set_limit(RLIMIT_FSIZE, *options.file_size_bytes);
    if (options.umask) ::umask(*options.umask);
    ::execve(program.c_str(), argv.data(), envp.data());
    ::_exit(127);
  }
  ::close(out_pipe[1]);
  ::close(err_pipe[1]);
  ::close(broken_pipe[1]);

  ProcessResult result;
  const auto deadline = options.timeout ? std::optional(Clock::now() + *options.timeout) : std::nullopt;
  std::array<pollfd, 2> fds{{{out_pipe[0], POLLIN, 0}, {err_pipe[0], POLLIN, 0}}};
  std::array<std::string*, 2> sinks{&result.out, &result.err};
  int open_streams = 2;
  std::array<char, 65536> buffer{};
  while (open_streams > 0) {
    int wait_ms = -1;
    if (deadline) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(*deadline - Clock::now()).count();
      if (left <= 0 && !result.timed_out) {
        // Killing the child closes its ends of the pipes, so the loop ends as usual (a
        // grandchild holding them would keep it open; the tool starts none).
        ::kill(pid, SIGKILL);
        result.timed_out = true;
      }
      wait_ms = result.timed_out ? -1 : static_cast<int>(std::max<std::int64_t>(left, 1));
    }
    const int ready = ::poll(fds.data(), fds.size(), wait_ms);
    if (ready < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (std::size_t i = 0; i < fds.size(); ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      const ssize_t n = ::read(fds[i].fd, buffer.data(), buffer.size());
      if (n > 0) {
        sinks[i]->append(buffer.data(), static_cast<std::size_t>(n));
      } else if (n == 0 || errno != EINTR) {
        ::close(fds[i].fd);
        fds[i].fd = -1;
        --open_streams;
      }
    }
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  result.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}

}  // namespace quillfen::testing
