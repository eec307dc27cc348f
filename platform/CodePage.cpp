#include "platform/CodePage.h"

#include <iconv.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <optional>

namespace {

enum Charset { kUtf8, kWestern, kKorean, kWide, kCharsetCount };

// glibc's names of the charsets; "WCHAR_T" is wchar_t in the machine's byte order.
constexpr const char* kIconvNames[kCharsetCount] = {"UTF-8", "CP1252", "CP949", "WCHAR_T"};

std::atomic<UINT> g_processCodePage{CP_UTF8};

std::optional<Charset> CharsetOf(UINT codePage) {
  switch (codePage == CP_ACP ? GetACP() : codePage) {
    case CP_UTF8:
      return kUtf8;
    case 1252:
      return kWestern;
    case 949:
      return kKorean;
    default:
      return std::nullopt;
  }
}

const iconv_t kNoDescriptor = reinterpret_cast<iconv_t>(static_cast<intptr_t>(-1));

// This thread's iconv descriptors, one per pair of charsets, opened on first use and closed
// when the thread ends. A descriptor carries conversion state, so threads must not share one;
// opening one costs far more than a short conversion, so it is kept.
class IconvCache {
 public:
  IconvCache() = default;
  IconvCache(const IconvCache&) = delete;
  IconvCache& operator=(const IconvCache&) = delete;
  ~IconvCache() {
    for (auto& row : m_descriptors) {
      for (iconv_t descriptor : row) {
        if (descriptor && descriptor != kNoDescriptor) iconv_close(descriptor);
      }
    }
  }

  // kNoDescriptor when the system cannot convert between the two.
  iconv_t Get(Charset from, Charset to) {
    iconv_t& descriptor = m_descriptors[from][to];
    if (!descriptor) descriptor = iconv_open(kIconvNames[to], kIconvNames[from]);
    return descriptor;
  }

 private:
  iconv_t m_descriptors[kCharsetCount][kCharsetCount] = {};
};

thread_local IconvCache t_iconv;

// Every supported code page is ASCII below 0x80, so plain ASCII converts byte for byte.
bool IsAscii(std::string_view text) {
  unsigned char all = 0;
  for (const char ch : text) all |= static_cast<unsigned char>(ch);
  return all < 0x80;
}

bool IsAscii(std::wstring_view text) {
  return std::all_of(text.begin(), text.end(), [](wchar_t ch) { return ch >= 0 && ch < 0x80; });
}

// Code points only: no surrogate halves, nothing above U+10FFFF (glibc would encode those).
bool IsUnicode(std::wstring_view text) {
  return std::all_of(text.begin(), text.end(), [](wchar_t ch) {
    return ch >= 0 && ch <= 0x10FFFF && (ch < 0xD800 || ch > 0xDFFF);
  });
}

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view text) {
  const auto* next = reinterpret_cast<const unsigned char*>(text.data());
  const auto* const end = next + text.size();
  while (next < end) {
    const unsigned lead = *next++;
    if (lead < 0x80) continue;
    int trailCount;
    unsigned codePoint;
    unsigned smallest;
    if (lead >= 0xC2 && lead <= 0xDF) {
      trailCount = 1, codePoint = lead & 0x1F, smallest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      trailCount = 2, codePoint = lead & 0x0F, smallest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      trailCount = 3, codePoint = lead & 0x07, smallest = 0x10000;
    } else {
      return false;
    }
    if (end - next < trailCount) return false;
    for (int index = 0; index < trailCount; ++index, ++next) {
      if ((*next & 0xC0) != 0x80) return false;
      codePoint = (codePoint << 6) | (*next & 0x3F);
    }
    if (codePoint < smallest || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
      return false;
    }
  }
  return true;
}

// Runs all of `in` through iconv, appending to `out`. False when `in` is invalid in `from`,
// ends inside a character, or holds a character that `to` cannot represent.
bool Iconv(Charset from, Charset to, std::string_view in, std::string& out) {
  // glibc decodes UTF-8 beyond U+10FFFF, which is no Unicode text.
  if (from == kUtf8 && !IsValidUtf8(in)) return false;
  const iconv_t descriptor = t_iconv.Get(from, to);
  if (descriptor == kNoDescriptor) return false;
  iconv(descriptor, nullptr, nullptr, nullptr, nullptr);  // forget a failed call's state
  char* source = const_cast<char*>(in.data());  // iconv's signature; it only reads the input
  size_t sourceLeft = in.size();
  size_t written = out.size();
  out.resize(written + in.size() * (to == kWide ? sizeof(wchar_t) : 2) + 16);
  for (;;) {
    char* target = out.data() + written;
    size_t targetLeft = out.size() - written;
    const size_t result = iconv(descriptor, &source, &sourceLeft, &target, &targetLeft);
    written = out.size() - targetLeft;
    if (result != static_cast<size_t>(-1)) {
      out.resize(written);
      return result == 0;  // a nonzero count means that characters were approximated
    }
    if (errno != E2BIG) return false;
    out.resize(out.size() * 2);
  }
}

// Whether `text` is valid in `charset`: decoding proves it; the decoded text is not needed.
bool IsValidText(Charset charset, std::string_view text) {
  if (charset == kUtf8) return IsValidUtf8(text);
  thread_local std::string decoded;
  decoded.clear();
  return Iconv(charset, kWide, text, decoded);
}

bool NarrowToNarrow(Charset from, Charset to, std::string_view in, std::string& out) {
  if (IsAscii(in) || (from == to && IsValidText(from, in))) {
    out.assign(in);
    return true;
  }
  return from != to && Iconv(from, to, in, out);
}

bool NarrowToWide(Charset from, std::string_view in, std::wstring& out) {
  if (IsAscii(in)) {
    out.assign(in.begin(), in.end());
    return true;
  }
  std::string bytes;
  if (!Iconv(from, kWide, in, bytes)) return false;
  out.resize(bytes.size() / sizeof(wchar_t));
  std::memcpy(out.data(), bytes.data(), out.size() * sizeof(wchar_t));
  return true;
}

bool WideToNarrow(Charset to, std::wstring_view in, std::string& out) {
  if (IsAscii(in)) {
    out.resize(in.size());
    std::transform(in.begin(), in.end(), out.begin(), [](wchar_t ch) { return static_cast<char>(ch); });
    return true;
  }
  const std::string_view bytes(reinterpret_cast<const char*>(in.data()), in.size() * sizeof(wchar_t));
  return IsUnicode(in) && Iconv(kWide, to, bytes, out);
}

// The input of a Win32 conversion: `size` elements, or with -1 up to and including the
// terminating zero. Nothing for a null pointer, 0 or another negative size, as Win32 refuses.
template <typename Char>
std::optional<std::basic_string_view<Char>> Win32Input(const Char* text, int size) {
  if (!text || size == 0 || size < -1) return std::nullopt;
  if (size == -1) return std::basic_string_view<Char>(text, std::char_traits<Char>::length(text) + 1);
  return std::basic_string_view<Char>(text, static_cast<size_t>(size));
}

bool IsWin32Output(const void* buffer, int size) { return size == 0 || (size > 0 && buffer); }

// Win32's output rule: size 0 asks for the count; a result that does not fit gives 0.
template <typename Char>
int DeliverWin32(const std::basic_string<Char>& result, Char* buffer, int size) {
  if (result.size() > static_cast<size_t>(INT_MAX)) return 0;
  const int needed = static_cast<int>(result.size());
  if (size == 0) return needed;
  if (needed > size) return 0;
  std::copy(result.begin(), result.end(), buffer);
  return needed;
}

}  // namespace

UINT GetACP() { return g_processCodePage.load(std::memory_order_relaxed); }

BOOL SetACP(UINT codePage) {
  if (codePage == CP_ACP || !CharsetOf(codePage)) return FALSE;
  g_processCodePage.store(codePage, std::memory_order_relaxed);
  return TRUE;
}

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR source, int sourceSize, LPWSTR wide,
                        int wideSize) {
  const std::optional<Charset> charset = CharsetOf(codePage);
  const auto in = Win32Input(source, sourceSize);
  std::wstring result;
  if (!charset || (flags & ~DWORD{MB_ERR_INVALID_CHARS}) || !in || !IsWin32Output(wide, wideSize) ||
      !NarrowToWide(*charset, *in, result)) {
    return 0;
  }
  return DeliverWin32(result, wide, wideSize);
}

int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int wideSize, LPSTR target,
                        int targetSize, LPCSTR /*defaultChar*/, LPBOOL usedDefaultChar) {
  const std::optional<Charset> charset = CharsetOf(codePage);
  const auto in = Win32Input(wide, wideSize);
  std::string result;
  if (!charset || (flags & ~DWORD{WC_NO_BEST_FIT_CHARS}) || !in || !IsWin32Output(target, targetSize) ||
      !WideToNarrow(*charset, *in, result)) {
    return 0;
  }
  const int written = DeliverWin32(result, target, targetSize);
  if (written > 0 && usedDefaultChar) *usedDefaultChar = FALSE;
  return written;
}

bool ConvertCodePage(UINT from, UINT to, std::string_view in, std::string& out) {
  const std::optional<Charset> source = CharsetOf(from);
  const std::optional<Charset> target = CharsetOf(to);
  std::string result;
  if (!source || !target || !NarrowToNarrow(*source, *target, in, result)) return false;
  out = std::move(result);
  return true;
}

bool AnsiToUtf8(std::string_view in, std::string& out) { return ConvertCodePage(CP_ACP, CP_UTF8, in, out); }

bool Utf8ToAnsi(std::string_view in, std::string& out) { return ConvertCodePage(CP_UTF8, CP_ACP, in, out); }

bool WideToAnsi(std::wstring_view in, std::string& out) {
  const std::optional<Charset> target = CharsetOf(CP_ACP);
  std::string result;
  if (!target || !WideToNarrow(*target, in, result)) return false;
  out = std::move(result);
  return true;
}
