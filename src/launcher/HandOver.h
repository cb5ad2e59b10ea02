#pragma once

#include <string>

namespace marbrel {

// How a later launch of `marbrel` hands over to the program already running for the same user and
// display: the socket that program listens on (beside its lock file) and the reopen request that
// pops its menu up. Plain system calls only, so the launcher can hand over before any of the
// program's libraries is loaded.

// The line a later launch sends, and the running program's answer once it took the request.
inline constexpr char kReopenRequest[] = "reopen\n";
inline constexpr char kReopenAnswer[] = "ok\n";
// A line a later launch sends before the reopen request when the desktop that started it gave it an
// activation token ($XDG_ACTIVATION_TOKEN, else $DESKTOP_STARTUP_ID): the running program hands it
// to the window the request opens, so that the desktop lets that window take the keyboard. A program
// that does not know the line ignores it.
inline constexpr char kActivationTokenPrefix[] = "activation-token ";
// The token named by the environment, when it is one that fits on the line (printable, no spaces,
// at most 512 bytes); empty otherwise.
std::string activationTokenFromEnvironment();
// What a later launch sends: the token's line when there is a token, then the reopen request.
std::string reopenRequestFromEnvironment();
// The token carried by `line` (one line of a request, its newline included); empty when it is no
// token line or the token does not fit.
std::string activationTokenOfLine(const std::string& line);

// `marbrel doctor` asks the running program what it uses with this line; the answer is one line, the
// prefix and the program's own description of its adapters. A program that does not know it stays
// silent.
inline constexpr char kDescribeRequest[] = "describe\n";
inline constexpr char kDescribeAnswerPrefix[] = "using ";

// What a later launch says when the running program took the request but never answered.
inline constexpr char kUnansweredMessage[] =
    "marbrel: another Marbrel runs on this display but does not answer; it is left alone\n";

// The display `display` ($DISPLAY's form "[host]:number[.screen]") as one name however it is
// written: the screen names no other display, and host "unix" is the local one (":0.0" and
// "unix:0" are ":0").
std::string normalizedDisplay(const std::string& display);

// The socket for the current user and display: "marbrel-<uid>-<digest of the normalized $DISPLAY>"
// in the user's runtime folder ($XDG_RUNTIME_DIR) when that is the user's alone (a folder, not a
// link, owned by the user, mode 0700), else in "marbrel-<uid>" in the temporary folder ($TMPDIR, or
// /tmp), made 0700 and checked the same way. The lock file is the same path with ".lock". Empty
// when there is no such folder: then `problem`, if given, says why.
std::string handOverSocketPath(std::string* problem = nullptr);

// What handOver() found.
enum class HandOver {
  handedOver,  // another program holds the lock and answered the reopen request
  unanswered,  // it took the request but did not answer in time (asking again would reopen twice)
  notTaken,    // nobody holds the lock, or nobody took the request: this launch should run
};

// When another program holds the lock of `socketPath` and listens on it, asks it to reopen, waiting
// up to `timeoutMilliseconds` for the answer (it may still be starting up). Takes no lock. An empty
// path (no place for a socket) is never taken.
HandOver handOver(const std::string& socketPath, int timeoutMilliseconds = 20000);

}  // namespace marbrel
