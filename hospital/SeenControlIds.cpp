#include "hospital/SeenControlIds.h"

#include <sys/stat.h>

#include <memory>

#include "recording/DurableFile.h"

SeenControlIds::SeenControlIds(std::string path, std::size_t capacity, Offload offload)
    : m_path(std::move(path)), m_capacity(capacity == 0 ? 1 : capacity), m_offload(std::move(offload)) {}

std::optional<std::string> SeenControlIds::Load() {
  struct stat status {};
  if (m_path.empty() || ::stat(m_path.c_str(), &status) != 0) return std::nullopt;
  std::string fault;
  const std::optional<std::string> text = DurableFile::Read(m_path, fault);
  if (!text) return fault;
  std::size_t begin = 0;
  while (true) {
    const std::size_t end = text->find('\n', begin);
    if (end == std::string::npos) break;  // nothing, or a line a crash cut short
    if (end > begin) Remember(text->substr(begin, end - begin));
    ++m_fileLines;
    begin = end + 1;
  }
  return std::nullopt;
}

bool SeenControlIds::Contains(const std::string& key) const { return m_keys.count(key) != 0; }

void SeenControlIds::Remember(const std::string& key) {
  if (!m_keys.insert(key).second) return;
  m_order.push_back(key);
  if (m_order.size() > m_capacity) {
    m_keys.erase(m_order.front());
    m_order.pop_front();
  }
}

void SeenControlIds::Add(const std::string& key, Done done) {
  Remember(key);
  if (m_path.empty()) {
    done(std::nullopt);
    return;
  }
  std::string bytes;
  bool rewrite = false;
  if (++m_fileLines > 2 * m_capacity) {
    for (const std::string& kept : m_order) bytes += kept + '\n';
    m_fileLines = m_order.size();
    rewrite = true;
  } else {
    bytes = key + '\n';
  }
  auto fault = std::make_shared<std::optional<std::string>>();
  m_offload(
      [path = m_path, bytes = std::move(bytes), rewrite, fault] {
        *fault = rewrite ? DurableFile::WriteWhole(path, bytes) : DurableFile::Append(path, bytes);
      },
      [fault, done = std::move(done)] { done(*fault); });
}
