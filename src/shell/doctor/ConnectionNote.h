#pragma once

#include <string>

namespace marbrel::connection_note {

// What the running desktop program last knew of its Wayland connection, kept in a small file beside
// its hand-over socket (so per user and display) for `marbrel doctor` to tell.

// Writes that the connection was lost now (with why), or was made again now. The first loss
// starts the file; the program removes it as it ends.
void write(bool connected, const std::string& problem);
void remove();

// What the file says, when the program that wrote it still runs: the times (local, "HH:MM:SS") of
// the loss and of the connection made again (empty while it is still lost), and the loss's reason.
struct Note {
  std::string lostAt, problem, backAt;
};
bool read(Note& note);

}  // namespace marbrel::connection_note
