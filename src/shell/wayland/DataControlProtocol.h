#pragma once

#include <array>
#include <cstdint>

struct wl_interface;
struct wl_proxy;
struct wl_seat;

namespace marbrel {

// The clipboard managers' data-control protocol. Compositors offer it under two names: the standard
// ext-data-control-v1 and its wlroots forerunner zwlr-data-control-unstable-v1, with the same
// requests and events, arguments and order. One adapter speaks both through untyped proxies; a
// protocol is the table of its four interfaces, and the requests below work on either.
struct DataControlProtocol {
  const wl_interface* manager;
  const wl_interface* device;
  const wl_interface* source;
  const wl_interface* offer;

  // Both protocols, the standard one first (preferred where a compositor offers both).
  static const std::array<DataControlProtocol, 2>& known();

  // The events of a device, a source and an offer, laid out as the protocols' listeners are.
  struct DeviceListener {
    void (*dataOffer)(void* data, wl_proxy* device, wl_proxy* offer);
    void (*selection)(void* data, wl_proxy* device, wl_proxy* offer);
    void (*finished)(void* data, wl_proxy* device);
    void (*primarySelection)(void* data, wl_proxy* device, wl_proxy* offer);
  };
  struct SourceListener {
    void (*send)(void* data, wl_proxy* source, const char* mimeType, std::int32_t fd);
    void (*cancelled)(void* data, wl_proxy* source);
  };
  struct OfferListener {
    void (*offer)(void* data, wl_proxy* offer, const char* mimeType);
  };

  // Adds the listener (one of the three above) to a proxy.
  template <typename Listener>
  static void listen(wl_proxy* proxy, const Listener& listener, void* data) {
    addListener(proxy, reinterpret_cast<const void*>(&listener), data);
  }

  wl_proxy* getDataDevice(wl_proxy* manager, wl_seat* seat) const;
  wl_proxy* createDataSource(wl_proxy* manager) const;
  static void setSelection(wl_proxy* device, wl_proxy* source);
  static void offerType(wl_proxy* source, const char* mimeType);
  static void receive(wl_proxy* offer, const char* mimeType, int fd);
  static void addListener(wl_proxy* proxy, const void* listener, void* data);
  static void destroyManager(wl_proxy* manager);
  // A device, a source and an offer are destroyed by the same request.
  static void destroyDeviceSourceOrOffer(wl_proxy* object);
};

}  // namespace marbrel
