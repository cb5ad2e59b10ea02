#include "shell/doctor/ConnectionNote.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <unistd.h>

#include "launcher/HandOver.h"

namespace marbrel::connection_note {

namespace {

// Beside the single-instance socket; empty when there is no private folder for it (then no note:
// a bare ".wayland" would land in the working folder).
std::string path() {
  const std::string socket = handOverSocketPath();
  return socket.empty() ? std::string() : socket + ".wayland";
}

std::string now() {
  const std::time_t time = std::time(nullptr);
  std::tm local{};
  localtime_r(&time, &local);
  char text[16];
  std::strftime(text, sizeof text, "%H:%M:%S", &local);
  return text;
}

}  // namespace

void write(bool connected, const std::string& problem) {
  Note note;
  if (connected) {
    if (!read(note)) return;  // never lost: nothing to tell
    note.backAt = now();
  } else {
    note = {now(), problem, ""};
    for (char& c : note.problem) {
      if (c == '\n') c = ' ';
    }
  }
  // Written whole beside and renamed over, so the doctor never reads half a note.
  const std::string file = path();
  if (file.empty()) return;
  {
    std::ofstream out(file + ".new", std::ios::trunc);
    out << "pid=" << ::getpid() << "\nlost=" << note.lostAt << "\nproblem=" << note.problem
        << "\nback=" << note.backAt << "\n";
    if (!out) return;
  }
  std::rename((file + ".new").c_str(), file.c_str());
}

void remove() {
  if (const std::string file = path(); !file.empty()) std::remove(file.c_str());
}

bool read(Note& note) {
  const std::string file = path();
  if (file.empty()) return false;
  std::ifstream in(file);
  std::string line;
  long pid = 0;
  while (std::getline(in, line)) {
    const auto equals = line.find('=');
    if (equals == std::string::npos) continue;
    const std::string key = line.substr(0, equals), value = line.substr(equals + 1);
    if (key == "pid") pid = std::atol(value.c_str());
    if (key == "lost") note.lostAt = value;
    if (key == "problem") note.problem = value;
    if (key == "back") note.backAt = value;
  }
  // A program that ended without removing its note (it crashed) has nothing to tell.
  const bool running = pid > 0 && (::kill(pid_t(pid), 0) == 0 || errno == EPERM);
  return running && !note.lostAt.empty();
}

}  // namespace marbrel::connection_note
