#include "ward/WardFile.h"

#include <boost/asio/ip/address.hpp>
#include <fstream>
#include <set>
#include <sstream>

namespace {

constexpr const char* kBlanks = " \t\r";

std::string Trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// The next field of `line` from `pos`, which moves past it.
std::string NextField(const std::string& line, std::size_t& pos) {
  const std::size_t first = line.find_first_not_of(kBlanks, pos);
  if (first == std::string::npos) {
    pos = line.size();
    return "";
  }
  const std::size_t end = std::min(line.find_first_of(kBlanks, first), line.size());
  pos = end;
  return line.substr(first, end - first);
}

// The address as a peer's is written: IPv4 dotted, IPv6 in its short form, an IPv4-mapped one
// as IPv4.
std::optional<std::string> CanonicalAddress(const std::string& text) {
  boost::system::error_code error;
  boost::asio::ip::address address = boost::asio::ip::make_address(text, error);
  if (error) return std::nullopt;
  if (address.is_v6() && address.to_v6().is_v4_mapped()) {
    address = boost::asio::ip::make_address_v4(boost::asio::ip::v4_mapped, address.to_v6());
  }
  return address.to_string();
}

std::optional<int> BedNumber(const std::string& text, int beds) {
  if (text.empty() || text.size() > 6 || text.find_first_not_of("0123456789") != std::string::npos) {
    return std::nullopt;
  }
  const int bed = std::stoi(text);
  if (bed < 1 || bed > beds) return std::nullopt;
  return bed;
}

}  // namespace

std::optional<std::string> WardFile::Read(const std::string& path, int beds) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "cannot read the ward file " + path;
  std::ostringstream text;
  text << in.rdbuf();
  return Parse(text.str(), path, beds);
}

std::optional<std::string> WardFile::Parse(const std::string& text, const std::string& name, int beds) {
  std::map<std::string, Monitor> monitors;
  std::set<int> bedsTaken;
  std::istringstream lines(text);
  std::string raw;
  for (int number = 1; std::getline(lines, raw); ++number) {
    const std::string line = Trimmed(raw.substr(0, raw.find('#')));
    if (line.empty()) continue;
    const auto fault = [&](const std::string& why) { return name + " line " + std::to_string(number) + ": " + why; };
    std::size_t pos = 0;
    const std::string bedText = NextField(line, pos);
    const std::string addressText = NextField(line, pos);
    const std::optional<int> bed = BedNumber(bedText, beds);
    if (!bed) return fault("'" + bedText + "' is not a bed from 1 to " + std::to_string(beds));
    if (addressText.empty()) return fault("bed " + bedText + " names no monitor address");
    const std::optional<std::string> address = CanonicalAddress(addressText);
    if (!address) return fault("'" + addressText + "' is not an IP address");
    if (!bedsTaken.insert(*bed).second) return fault("bed " + bedText + " is named twice");
    if (monitors.count(*address)) return fault("the monitor at " + *address + " is named twice");
    monitors[*address] = Monitor{*bed, *address, Trimmed(line.substr(pos))};
  }
  m_monitors = std::move(monitors);
  return std::nullopt;
}

const WardFile::Monitor* WardFile::Find(const std::string& address) const {
  const auto found = m_monitors.find(address);
  return found == m_monitors.end() ? nullptr : &found->second;
}
