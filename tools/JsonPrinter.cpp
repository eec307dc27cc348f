#include "tools/JsonPrinter.h"

#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <type_traits>
#include <variant>

#include "tools/MapText.h"

namespace {

using Json = nlohmann::ordered_json;

Json ToJson(const FieldValue& value) {
  if (!value) return nullptr;
  return std::visit(
      [](const auto& present) -> Json {
        if constexpr (std::is_same_v<std::decay_t<decltype(present)>, RealValue>) {
          return present.value;
        } else {
          return present;
        }
      },
      *value);
}

Json ToJson(const Field& field) {
  if (!field.isList) return ToJson(field.values.front());
  Json list = Json::array();
  for (const FieldValue& value : field.values) list.push_back(ToJson(value));
  return list;
}

void WriteLine(std::ostream& out, const Json& object) {
  out << object.dump(-1, ' ', false, Json::error_handler_t::replace) << '\n';
}

}  // namespace

JsonPrinter::JsonPrinter(std::ostream& out) : m_out(out) {}

void JsonPrinter::PrintPacket(const FrameEvent& event, const std::vector<Field>& fields) {
  Json values = Json::object();
  for (const Field& field : fields) {
    values[field.name] = ToJson(field);
    if (const std::optional<std::string> text = MapText(field)) {
      values[field.name + "_text"] = text->empty() ? Json(nullptr) : Json(*text);
    }
  }
  WriteLine(m_out, Json{{"event", "packet"},
                        {"offset", event.offset},
                        {"packet", event.kind->name},
                        {"key", event.bytes.back()},
                        {"fields", std::move(values)}});
}

void JsonPrinter::PrintUnframed(const FrameEvent& event) {
  Json object{{"event", event.type == FrameEvent::Type::Unknown ? "unknown" : "truncated"},
              {"offset", event.offset},
              {"length", event.length}};
  if (event.kind != nullptr) object["packet"] = event.kind->name;
  if (event.type == FrameEvent::Type::Unknown && event.kind != nullptr) object["key"] = event.bytes.back();
  WriteLine(m_out, object);
}

void JsonPrinter::PrintSummary(const DecodeSummary& summary) {
  Json packets = Json::object();
  for (const PacketKind& kind : AllPacketKinds()) packets[kind.name] = summary.PacketsOf(kind.name);
  WriteLine(m_out, Json{{"event", "summary"},
                        {"packets", std::move(packets)},
                        {"unknown_bytes", summary.UnknownBytes()},
                        {"unknown_runs", summary.UnknownRuns()},
                        {"truncated_bytes", summary.TruncatedBytes()}});
}
