#include "shell/wayland/DataControlProtocol.h"

#include <wayland-client.h>

#include "wayland/ext-data-control-v1-client.h"
#include "wayland/wlr-data-control-unstable-v1-client.h"

namespace marbrel {

namespace {

// The two protocols are one: the same request numbers and event layouts. The requests below use
// the standard protocol's numbers for both.
static_assert(EXT_DATA_CONTROL_MANAGER_V1_CREATE_DATA_SOURCE == ZWLR_DATA_CONTROL_MANAGER_V1_CREATE_DATA_SOURCE);
static_assert(EXT_DATA_CONTROL_MANAGER_V1_GET_DATA_DEVICE == ZWLR_DATA_CONTROL_MANAGER_V1_GET_DATA_DEVICE);
static_assert(EXT_DATA_CONTROL_MANAGER_V1_DESTROY == ZWLR_DATA_CONTROL_MANAGER_V1_DESTROY);
static_assert(EXT_DATA_CONTROL_DEVICE_V1_SET_SELECTION == ZWLR_DATA_CONTROL_DEVICE_V1_SET_SELECTION);
static_assert(EXT_DATA_CONTROL_DEVICE_V1_DESTROY == ZWLR_DATA_CONTROL_DEVICE_V1_DESTROY);
static_assert(EXT_DATA_CONTROL_SOURCE_V1_OFFER == ZWLR_DATA_CONTROL_SOURCE_V1_OFFER);
static_assert(EXT_DATA_CONTROL_SOURCE_V1_DESTROY == ZWLR_DATA_CONTROL_SOURCE_V1_DESTROY);
static_assert(EXT_DATA_CONTROL_OFFER_V1_RECEIVE == ZWLR_DATA_CONTROL_OFFER_V1_RECEIVE);
static_assert(EXT_DATA_CONTROL_OFFER_V1_DESTROY == ZWLR_DATA_CONTROL_OFFER_V1_DESTROY);
static_assert(sizeof(DataControlProtocol::DeviceListener) == sizeof(ext_data_control_device_v1_listener));
static_assert(sizeof(DataControlProtocol::DeviceListener) == sizeof(zwlr_data_control_device_v1_listener));
static_assert(sizeof(DataControlProtocol::SourceListener) == sizeof(ext_data_control_source_v1_listener));
static_assert(sizeof(DataControlProtocol::SourceListener) == sizeof(zwlr_data_control_source_v1_listener));
static_assert(sizeof(DataControlProtocol::OfferListener) == sizeof(ext_data_control_offer_v1_listener));
static_assert(sizeof(DataControlProtocol::OfferListener) == sizeof(zwlr_data_control_offer_v1_listener));

std::uint32_t versionOf(wl_proxy* proxy) { return wl_proxy_get_version(proxy); }

}  // namespace

const std::array<DataControlProtocol, 2>& DataControlProtocol::known() {
  static const std::array<DataControlProtocol, 2> protocols = {{
      {&ext_data_control_manager_v1_interface, &ext_data_control_device_v1_interface,
       &ext_data_control_source_v1_interface, &ext_data_control_offer_v1_interface},
      {&zwlr_data_control_manager_v1_interface, &zwlr_data_control_device_v1_interface,
       &zwlr_data_control_source_v1_interface, &zwlr_data_control_offer_v1_interface},
  }};
  return protocols;
}

wl_proxy* DataControlProtocol::getDataDevice(wl_proxy* manager, wl_seat* seat) const {
  return wl_proxy_marshal_flags(manager, EXT_DATA_CONTROL_MANAGER_V1_GET_DATA_DEVICE, device, versionOf(manager), 0,
                                nullptr, seat);
}

wl_proxy* DataControlProtocol::createDataSource(wl_proxy* manager) const {
  return wl_proxy_marshal_flags(manager, EXT_DATA_CONTROL_MANAGER_V1_CREATE_DATA_SOURCE, source, versionOf(manager),
                                0, nullptr);
}

void DataControlProtocol::setSelection(wl_proxy* device, wl_proxy* source) {
  wl_proxy_marshal_flags(device, EXT_DATA_CONTROL_DEVICE_V1_SET_SELECTION, nullptr, versionOf(device), 0, source);
}

void DataControlProtocol::offerType(wl_proxy* source, const char* mimeType) {
  wl_proxy_marshal_flags(source, EXT_DATA_CONTROL_SOURCE_V1_OFFER, nullptr, versionOf(source), 0, mimeType);
}

void DataControlProtocol::receive(wl_proxy* offer, const char* mimeType, int fd) {
  wl_proxy_marshal_flags(offer, EXT_DATA_CONTROL_OFFER_V1_RECEIVE, nullptr, versionOf(offer), 0, mimeType, fd);
}

void DataControlProtocol::addListener(wl_proxy* proxy, const void* listener, void* data) {
  // libwayland takes the listener as a table of functions it calls by the event's number.
  wl_proxy_add_listener(proxy, const_cast<void (**)(void)>(static_cast<void (* const*)(void)>(listener)), data);
}

void DataControlProtocol::destroyManager(wl_proxy* manager) {
  wl_proxy_marshal_flags(manager, EXT_DATA_CONTROL_MANAGER_V1_DESTROY, nullptr, versionOf(manager),
                         WL_MARSHAL_FLAG_DESTROY);
}

void DataControlProtocol::destroyDeviceSourceOrOffer(wl_proxy* object) {
  static_assert(EXT_DATA_CONTROL_DEVICE_V1_DESTROY == EXT_DATA_CONTROL_SOURCE_V1_DESTROY &&
                EXT_DATA_CONTROL_SOURCE_V1_DESTROY == EXT_DATA_CONTROL_OFFER_V1_DESTROY);
  wl_proxy_marshal_flags(object, EXT_DATA_CONTROL_OFFER_V1_DESTROY, nullptr, versionOf(object),
                         WL_MARSHAL_FLAG_DESTROY);
}

}  // namespace marbrel
