#include "contract/TestCompositor.h"

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <future>
#include <list>
#include <map>
#include <mutex>
#include <stdexcept>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <wayland-server.h>

#include "ext-data-control-v1-server.h"
#include "virtual-keyboard-unstable-v1-server.h"
#include "wlr-data-control-unstable-v1-server.h"

namespace marbrel::e2e {

namespace {

// The two data-control protocols share requests, events and their numbers: one set of handlers
// serves both, and events are sent with the standard protocol's functions.
struct Protocol {
  const wl_interface* manager;
  const wl_interface* device;
  const wl_interface* source;
  const wl_interface* offer;
};
const Protocol kExt = {&ext_data_control_manager_v1_interface, &ext_data_control_device_v1_interface,
                       &ext_data_control_source_v1_interface, &ext_data_control_offer_v1_interface};
const Protocol kWlr = {&zwlr_data_control_manager_v1_interface, &zwlr_data_control_device_v1_interface,
                       &zwlr_data_control_source_v1_interface, &zwlr_data_control_offer_v1_interface};

// A selection's owner: the compositor itself playing another program (bytes by type), or a
// client's data-control source.
struct Owner {
  std::vector<std::string> types;
  std::map<std::string, std::string> bytes;
  wl_resource* source = nullptr;
};

// Writes `bytes` to `fd` and closes it, off the compositor's thread: the reader may be slow.
void writeAndClose(int fd, std::string bytes) {
  std::thread([fd, bytes = std::move(bytes)] {
    // A reader that gives up early must not end the test program.
    sigset_t pipeSignal;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
      if (n <= 0) break;
      done += std::size_t(n);
    }
    ::close(fd);
  }).detach();
}

// Asks the owner for `type`'s bytes into `fd`, which the call takes.
void serve(const Owner& owner, const std::string& type, int fd) {
  if (owner.source) {
    ext_data_control_source_v1_send_send(owner.source, type.c_str(), fd);
    ::close(fd);  // the event carries its own copy
    return;
  }
  const auto bytes = owner.bytes.find(type);
  if (bytes == owner.bytes.end()) {
    ::close(fd);
    return;
  }
  writeAndClose(fd, bytes->second);
}

}  // namespace

struct TestCompositor::State {
  wl_display* display = nullptr;
  int wakeUp = -1;  // an eventfd: tasks are waiting
  wl_event_source* wakeUpSource = nullptr;
  std::mutex mutex;
  std::vector<std::function<void()>> tasks;
  std::shared_ptr<Owner> selection, primary;
  struct Device { wl_resource* resource; const Protocol* protocol; };
  std::vector<Device> devices;
  struct Global { const wl_interface* interface; State* state; };
  std::list<Global> globals;  // a list: each stays where its global's data points

  static State* of(wl_resource* resource) { return static_cast<State*>(wl_resource_get_user_data(resource)); }

  bool hasPrimary(const Device& device) const {
    return device.protocol == &kExt || wl_resource_get_version(device.resource) >= 2;
  }

  // Announces `owner`'s contents to one device: the offer, its types, then the selection event.
  void announce(const Device& device, const std::shared_ptr<Owner>& owner, bool isPrimary) {
    wl_resource* offer = nullptr;
    if (owner) {
      offer = wl_resource_create(wl_resource_get_client(device.resource), device.protocol->offer,
                                 wl_resource_get_version(device.resource), 0);
      wl_resource_set_implementation(offer, &kOfferRequests, new std::shared_ptr<Owner>(owner), [](wl_resource* r) {
        delete static_cast<std::shared_ptr<Owner>*>(wl_resource_get_user_data(r));
      });
      ext_data_control_device_v1_send_data_offer(device.resource, offer);
      for (const std::string& type : owner->types) ext_data_control_offer_v1_send_offer(offer, type.c_str());
    }
    if (isPrimary) {
      ext_data_control_device_v1_send_primary_selection(device.resource, offer);
    } else {
      ext_data_control_device_v1_send_selection(device.resource, offer);
    }
  }

  void setSelection(std::shared_ptr<Owner> owner, bool isPrimary) {
    std::shared_ptr<Owner>& current = isPrimary ? primary : selection;
    if (current && current->source && (!owner || current->source != owner->source)) {
      ext_data_control_source_v1_send_cancelled(current->source);
    }
    current = std::move(owner);
    for (const Device& device : devices) {
      if (!isPrimary || hasPrimary(device)) announce(device, current, isPrimary);
    }
  }

  // A client's source going away takes its selections with it. (Not announced: its client may be
  // on its way out, when no new object may be made for it.)
  void forgetSource(wl_resource* source) {
    if (selection && selection->source == source) selection.reset();
    if (primary && primary->source == source) primary.reset();
  }

  static void destroyResource(wl_client*, wl_resource* resource) { wl_resource_destroy(resource); }

  // ext_data_control_offer_v1 and zwlr_data_control_offer_v1.
  static constexpr struct ext_data_control_offer_v1_interface kOfferRequests = {
      [](wl_client*, wl_resource* offer, const char* type, int32_t fd) {
        const auto& owner = *static_cast<std::shared_ptr<Owner>*>(wl_resource_get_user_data(offer));
        serve(*owner, type, fd);
      },
      destroyResource,
  };

  // The sources: their types until they are set as a selection.
  struct Source {
    State* state;
    std::shared_ptr<Owner> owner = std::make_shared<Owner>();
  };
  static constexpr struct ext_data_control_source_v1_interface kSourceRequests = {
      [](wl_client*, wl_resource* source, const char* type) {
        static_cast<Source*>(wl_resource_get_user_data(source))->owner->types.emplace_back(type);
      },
      destroyResource,
  };

  static void setSourceAsSelection(wl_resource* device, wl_resource* source, bool isPrimary) {
    State* state = of(device);
    state->setSelection(source ? static_cast<Source*>(wl_resource_get_user_data(source))->owner : nullptr, isPrimary);
  }
  static constexpr struct ext_data_control_device_v1_interface kDeviceRequests = {
      [](wl_client*, wl_resource* device, wl_resource* source) { setSourceAsSelection(device, source, false); },
      destroyResource,
      [](wl_client*, wl_resource* device, wl_resource* source) { setSourceAsSelection(device, source, true); },
  };

  static void createSource(wl_client* client, wl_resource* manager, std::uint32_t id, const Protocol* protocol) {
    wl_resource* source = wl_resource_create(client, protocol->source, wl_resource_get_version(manager), id);
    auto* data = new Source{of(manager)};
    data->owner->source = source;
    wl_resource_set_implementation(source, &kSourceRequests, data, [](wl_resource* r) {
      auto* data = static_cast<Source*>(wl_resource_get_user_data(r));
      data->state->forgetSource(r);
      data->owner->source = nullptr;
      delete data;
    });
  }

  static void getDevice(wl_client* client, wl_resource* manager, std::uint32_t id, const Protocol* protocol) {
    State* state = of(manager);
    wl_resource* resource = wl_resource_create(client, protocol->device, wl_resource_get_version(manager), id);
    wl_resource_set_implementation(resource, &kDeviceRequests, state, [](wl_resource* r) {
      auto& devices = of(r)->devices;
      devices.erase(std::remove_if(devices.begin(), devices.end(), [r](const Device& d) { return d.resource == r; }),
                    devices.end());
    });
    const Device device{resource, protocol};
    state->devices.push_back(device);
    state->announce(device, state->selection, false);
    if (state->hasPrimary(device)) state->announce(device, state->primary, true);
  }

  static constexpr struct ext_data_control_manager_v1_interface kExtManagerRequests = {
      [](wl_client* c, wl_resource* m, std::uint32_t id) { createSource(c, m, id, &kExt); },
      [](wl_client* c, wl_resource* m, std::uint32_t id, wl_resource*) { getDevice(c, m, id, &kExt); },
      destroyResource,
  };
  static constexpr struct zwlr_data_control_manager_v1_interface kWlrManagerRequests = {
      [](wl_client* c, wl_resource* m, std::uint32_t id) { createSource(c, m, id, &kWlr); },
      [](wl_client* c, wl_resource* m, std::uint32_t id, wl_resource*) { getDevice(c, m, id, &kWlr); },
      destroyResource,
  };
  // A compositor that does not let this client make keyboards ends its connection.
  static constexpr struct zwp_virtual_keyboard_manager_v1_interface kRefusingKeyboards = {
      [](wl_client*, wl_resource* manager, wl_resource*, std::uint32_t) {
        wl_resource_post_error(manager, ZWP_VIRTUAL_KEYBOARD_MANAGER_V1_ERROR_UNAUTHORIZED,
                               "this client may not make keyboards");
      },
  };
  static constexpr struct wl_seat_interface kSeatRequests = {
      [](wl_client*, wl_resource*, std::uint32_t) {},
      [](wl_client*, wl_resource*, std::uint32_t) {},
      [](wl_client*, wl_resource*, std::uint32_t) {},
      destroyResource,
  };
};

TestCompositor::TestCompositor(Offers offers) : state_(std::make_unique<State>()) {
  State& state = *state_;
  state.display = wl_display_create();
  const std::string path = socketPath();
  const int listening = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address = {};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) throw std::runtime_error("socket path too long: " + path);
  path.copy(address.sun_path, path.size());
  if (::bind(listening, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(listening, 8) != 0 ||
      wl_display_add_socket_fd(state.display, listening) != 0) {
    throw std::runtime_error("the test compositor cannot listen on " + path);
  }

  // Each global binds to its requests' table; a seat has no keyboard, pointer or touch.
  static const std::map<const wl_interface*, const void*> kRequests = {
      {&wl_seat_interface, &State::kSeatRequests},
      {&ext_data_control_manager_v1_interface, &State::kExtManagerRequests},
      {&zwlr_data_control_manager_v1_interface, &State::kWlrManagerRequests},
      {&zwp_virtual_keyboard_manager_v1_interface, &State::kRefusingKeyboards},
  };
  const auto offer = [&](const wl_interface* global, int highestVersion) {
    state.globals.push_back({global, &state});
    wl_global_create(state.display, global, highestVersion, &state.globals.back(),
                     [](wl_client* client, void* data, std::uint32_t version, std::uint32_t id) {
                       const auto& [interface, owner] = *static_cast<State::Global*>(data);
                       wl_resource* r = wl_resource_create(client, interface, int(version), id);
                       wl_resource_set_implementation(r, kRequests.at(interface), owner, nullptr);
                       if (interface == &wl_seat_interface) wl_seat_send_capabilities(r, 0);
                     });
  };
  offer(&wl_seat_interface, 1);
  if (offers.extDataControl) offer(&ext_data_control_manager_v1_interface, 1);
  if (offers.wlrDataControl > 0) offer(&zwlr_data_control_manager_v1_interface, int(offers.wlrDataControl));
  if (offers.refusingVirtualKeyboard) offer(&zwp_virtual_keyboard_manager_v1_interface, 1);

  state.wakeUp = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  state.wakeUpSource = wl_event_loop_add_fd(
      wl_display_get_event_loop(state.display), state.wakeUp, WL_EVENT_READABLE,
      [](int fd, std::uint32_t, void* data) {
        auto& state = *static_cast<State*>(data);
        std::uint64_t count;
        while (::read(fd, &count, sizeof count) > 0) {
        }
        std::vector<std::function<void()>> tasks;
        {
          std::lock_guard lock(state.mutex);
          tasks.swap(state.tasks);
        }
        for (auto& task : tasks) task();
        return 0;
      },
      &state);
  thread_ = std::thread([display = state.display] { wl_display_run(display); });
}

TestCompositor::~TestCompositor() {
  call([this] {
    wl_display_destroy_clients(state_->display);
    wl_display_terminate(state_->display);
  });
  thread_.join();
  wl_event_source_remove(state_->wakeUpSource);
  wl_display_destroy(state_->display);
  ::close(state_->wakeUp);
}

std::string TestCompositor::socketPath() const { return (dir_ / "wayland-test").string(); }

void TestCompositor::call(const std::function<void()>& task) {
  std::promise<void> done;
  {
    std::lock_guard lock(state_->mutex);
    state_->tasks.push_back([&] {
      task();
      done.set_value();
    });
  }
  const std::uint64_t one = 1;
  (void)::write(state_->wakeUp, &one, sizeof one);
  done.get_future().wait();
}

namespace {
std::shared_ptr<Owner> ownerOf(const TestCompositor::Representations& representations) {
  auto owner = std::make_shared<Owner>();
  for (const auto& [type, bytes] : representations) {
    owner->types.push_back(type);
    owner->bytes[type] = bytes;
  }
  return owner;
}
}  // namespace

void TestCompositor::copy(const Representations& copied) {
  call([&] { state_->setSelection(ownerOf(copied), false); });
}

void TestCompositor::selectWithMouse(const Representations& selected) {
  call([&] { state_->setSelection(ownerOf(selected), true); });
}

int TestCompositor::startReading(const std::string& type) {
  int readable = -1;
  call([&] {
    if (!state_->selection) return;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return;
    readable = fds[0];
    serve(*state_->selection, type, fds[1]);
  });
  return readable;
}

void TestCompositor::dropClients() {
  call([&] {
    wl_client* client;
    wl_list* list = wl_display_get_client_list(state_->display);
    // Each destruction unlinks the client: take the first until none is left.
    while (!wl_list_empty(list)) {
      client = wl_client_from_link(list->next);
      wl_client_destroy(client);
    }
  });
}

void TestCompositor::finishDevices() {
  call([&] {
    for (const State::Device& device : state_->devices) ext_data_control_device_v1_send_finished(device.resource);
  });
}

}  // namespace marbrel::e2e
