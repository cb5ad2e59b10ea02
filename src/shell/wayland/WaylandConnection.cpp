#include "shell/wayland/WaylandConnection.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <QSocketNotifier>

#include <wayland-client.h>

namespace marbrel {

struct RegistryEvents {
  static void global(void* data, wl_registry*, std::uint32_t name, const char* interface, std::uint32_t version) {
    auto* self = static_cast<WaylandConnection*>(data);
    self->globals_.push_back({name, interface, version});
  }
  static void globalRemove(void* data, wl_registry*, std::uint32_t name) {
    auto& globals = static_cast<WaylandConnection*>(data)->globals_;
    globals.erase(std::remove_if(globals.begin(), globals.end(), [name](const auto& g) { return g.name == name; }),
                  globals.end());
  }
  static constexpr wl_registry_listener listener = {global, globalRemove};
};

std::unique_ptr<WaylandConnection> WaylandConnection::connectToCompositor() {
  if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) return nullptr;
  wl_display* display = wl_display_connect(nullptr);
  if (!display) return nullptr;
  std::unique_ptr<WaylandConnection> connection(new WaylandConnection(display));
  if (!connection->roundtrip()) return nullptr;
  if (const Global* seat = connection->global("wl_seat")) {
    connection->seat_ = static_cast<wl_seat*>(
        wl_registry_bind(connection->registry_, seat->name, &wl_seat_interface, 1));
  }
  return connection;
}

WaylandConnection::WaylandConnection(wl_display* display) : display_(display) {
  registry_ = wl_display_get_registry(display_);
  wl_registry_add_listener(registry_, &RegistryEvents::listener, this);
  readable_ = new QSocketNotifier(wl_display_get_fd(display_), QSocketNotifier::Read, this);
  connect(readable_, &QSocketNotifier::activated, this, [this] { readAndDispatch(); });
  writable_ = new QSocketNotifier(wl_display_get_fd(display_), QSocketNotifier::Write, this);
  writable_->setEnabled(false);
  connect(writable_, &QSocketNotifier::activated, this, [this] { flush(); });
}

WaylandConnection::~WaylandConnection() {
  delete readable_;
  delete writable_;
  if (seat_) wl_proxy_destroy(reinterpret_cast<wl_proxy*>(seat_));
  if (registry_) wl_registry_destroy(registry_);
  wl_display_flush(display_);
  wl_display_disconnect(display_);
}

const WaylandConnection::Global* WaylandConnection::global(std::string_view interface) const {
  for (const Global& g : globals_) {
    if (g.interface == interface) return &g;
  }
  return nullptr;
}

void* WaylandConnection::bind(const wl_interface& interface, std::uint32_t maxVersion) {
  const Global* g = global(interface.name);
  if (!g || failed_) return nullptr;
  const std::uint32_t version =
      std::min({g->version, maxVersion, static_cast<std::uint32_t>(interface.version)});
  return wl_registry_bind(registry_, g->name, &interface, version);
}

void WaylandConnection::flush() {
  if (failed_) return;
  if (wl_display_flush(display_) >= 0) {
    writable_->setEnabled(false);
  } else if (errno == EAGAIN) {
    writable_->setEnabled(true);  // the socket is full: the rest goes once it can take more
  } else {
    fail();
  }
}

bool WaylandConnection::roundtrip() {
  if (failed_ || wl_display_roundtrip(display_) < 0) {
    fail();
    return false;
  }
  return true;
}

void WaylandConnection::readAndDispatch() {
  if (failed_) return;
  // The notifier said the socket is readable, so reading does not block. Events already queued
  // (read along with a roundtrip's answer) are dispatched first.
  if (wl_display_prepare_read(display_) == 0) {
    if (wl_display_read_events(display_) < 0) {
      fail();
      return;
    }
  }
  dispatchPending();
}

void WaylandConnection::dispatchPending() {
  if (wl_display_dispatch_pending(display_) < 0) {
    fail();
    return;
  }
  flush();
}

void WaylandConnection::fail() {
  if (failed_) return;
  failed_ = true;
  readable_->setEnabled(false);
  writable_->setEnabled(false);
  const int error = wl_display_get_error(display_);
  const wl_interface* interface = nullptr;
  const std::uint32_t code = error == EPROTO ? wl_display_get_protocol_error(display_, &interface, nullptr) : 0;
  if (interface) {
    problem_ = std::string("protocol error ") + std::to_string(code) + " on " + interface->name;
  } else if (error) {
    problem_ = std::strerror(error);
  } else {
    problem_ = "the compositor closed the connection";
  }
  // Whoever uses the connection says what it means for them.
  Q_EMIT broken();
}

}  // namespace marbrel
