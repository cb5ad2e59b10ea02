#include "shell/wayland/ReconnectingKeySynthesizer.h"

#include <iostream>
#include <utility>

#include "shell/wayland/WaylandConnection.h"

namespace marbrel {

namespace {

constexpr std::chrono::seconds kPause{5};

}  // namespace

ReconnectingKeySynthesizer::ReconnectingKeySynthesizer(std::function<void()> explainUnavailable, std::string reason)
    : explainUnavailable_(std::move(explainUnavailable)), reason_(std::move(reason)) {
  connect();
}

ReconnectingKeySynthesizer::~ReconnectingKeySynthesizer() {
  keys_.reset();  // its requests go on the connection
  connection_.reset();
}

void ReconnectingKeySynthesizer::connect() {
  keys_.reset();
  connection_ = WaylandConnection::connectToCompositor();
  connectedAt_ = std::chrono::steady_clock::now();
  if (!connection_) return;
  // The explanation is given once, whichever synthesizer asks for it.
  keys_ = std::make_unique<WaylandKeySynthesizer>(
      *connection_, [this] { if (auto explain = std::exchange(explainUnavailable_, nullptr)) explain(); }, reason_);
  if (keys_->method() != WaylandKeySynthesizer::Method::none && !connection_->failed()) {
    worked_ = true;
    saidLost_ = false;
    ownKeymap_ = keys_->typesInItsOwnKeymap();
  }
}

void ReconnectingKeySynthesizer::reconnectIfLost() {
  // A keyboard refused at the start ended that connection for good: there is no method to get back.
  if (!worked_ || (connection_ && !connection_->failed())) return;
  if (std::chrono::steady_clock::now() - connectedAt_ < kPause) return;
  if (!std::exchange(saidLost_, true)) {
    std::cerr << "marbrel: the Wayland connection for the paste key was lost"
              << (connection_ ? " (" + connection_->problem() + ")" : std::string())
              << "; it is made again at the next paste\n";
  }
  connect();
}

bool ReconnectingKeySynthesizer::requestTrust() {
  reconnectIfLost();
  if (keys_) return keys_->requestTrust();
  if (auto explain = std::exchange(explainUnavailable_, nullptr)) explain();
  return false;
}

bool ReconnectingKeySynthesizer::postKeyEvent(std::uint16_t keyCode, bool keyDown, std::uint64_t flags) {
  reconnectIfLost();
  return keys_ && keys_->postKeyEvent(keyCode, keyDown, flags);
}

bool ReconnectingKeySynthesizer::typesInItsOwnKeymap() const {
  if (keys_ && keys_->method() != WaylandKeySynthesizer::Method::none) return keys_->typesInItsOwnKeymap();
  return ownKeymap_;
}

WaylandKeySynthesizer::Method ReconnectingKeySynthesizer::method() const {
  return keys_ ? keys_->method() : WaylandKeySynthesizer::Method::none;
}

const char* ReconnectingKeySynthesizer::methodName() const { return keys_ ? keys_->methodName() : "none"; }

}  // namespace marbrel
