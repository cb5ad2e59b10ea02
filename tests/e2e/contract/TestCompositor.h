#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "support/TempDir.h"

namespace marbrel::e2e {

// A small Wayland compositor on a thread of the contract tests, announcing selections as real ones do
// (data_offer, its types, then selection or primary_selection); the test plays the other programs.
class TestCompositor {
 public:
  using Representations = std::vector<std::pair<std::string, std::string>>;
  struct Offers {
    bool extDataControl = true;        // ext_data_control_manager_v1, version 1
    std::uint32_t wlrDataControl = 2;  // zwlr_data_control_manager_v1 at this version; 0: not offered
    bool refusingVirtualKeyboard = false;  // a zwp_virtual_keyboard_manager_v1 that refuses every keyboard
  };

  explicit TestCompositor(Offers offers);
  ~TestCompositor();
  TestCompositor(const TestCompositor&) = delete;
  TestCompositor& operator=(const TestCompositor&) = delete;

  // The full path of the socket, as WAYLAND_DISPLAY may name it.
  std::string socketPath() const;

  // Another program copies: the compositor owns the new selection and serves its bytes.
  void copy(const Representations& copied);
  // Another program's text is selected with the mouse: the primary selection changes.
  void selectWithMouse(const Representations& selected);
  // Starts reading the selection's `type` as another program does; returns the pipe's reading end
  // (the owner writes and closes the other), or -1 when there is no selection.
  int startReading(const std::string& type);
  // Ends every client's connection, as a compositor restarting does; new ones are accepted.
  void dropClients();
  // Ends every data-control device (the seat went away): each gets `finished`.
  void finishDevices();

 private:
  struct State;
  // Runs `task` on the compositor's thread and waits for it.
  void call(const std::function<void()>& task);

  testing::TempDir dir_;
  std::unique_ptr<State> state_;
  std::thread thread_;
};

}  // namespace marbrel::e2e
