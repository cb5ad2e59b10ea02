#include "core/config/RemoteDesktopGrant.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include "core/config/PrivateFiles.h"

namespace marbrel {

std::filesystem::path RemoteDesktopGrant::standardFile() { return configHome() / "marbrel" / "remote-desktop.json"; }

RemoteDesktopGrant RemoteDesktopGrant::read(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return {};
  std::stringstream text;
  text << in.rdbuf();
  const nlohmann::json json = nlohmann::json::parse(text.str(), nullptr, /*allow_exceptions=*/false);
  if (!json.is_object()) return {};
  RemoteDesktopGrant grant;
  if (const auto token = json.find("restoreToken"); token != json.end() && token->is_string() && !token->get<std::string>().empty()) {
    grant.restoreToken = token->get<std::string>();
  }
  if (const auto refused = json.find("refused"); refused != json.end() && refused->is_boolean()) {
    grant.refused = refused->get<bool>();
  }
  return grant;
}

bool RemoteDesktopGrant::write(const std::filesystem::path& file) const {
  if (!ensurePrivateFolder(file.parent_path())) return false;
  nlohmann::json json = nlohmann::json::object();
  if (restoreToken) json["restoreToken"] = *restoreToken;
  json["refused"] = refused;
  const std::string text = json.dump(2) + "\n";
  const std::filesystem::path temp = file.string() + ".tmp-" + std::to_string(::getpid());
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  bool ok = ::fchmod(fd, 0600) == 0;
  for (std::size_t done = 0; ok && done < text.size();) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n <= 0) ok = false; else done += std::size_t(n);
  }
  ok = ::fsync(fd) == 0 && ok;
  ::close(fd);
  if (ok && ::rename(temp.c_str(), file.c_str()) == 0) return true;
  ::unlink(temp.c_str());
  return false;
}

}  // namespace marbrel
