#include "app/CommandLine.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "common/file_util.h"

namespace korvex {
namespace {

constexpr std::string_view kTexture = "/t\"";
constexpr std::string_view kBackground = "/b\"";
constexpr std::string_view kReload = "/r";
constexpr std::string_view kTop = "/top";
constexpr std::string_view kHost = "/sel\"";
constexpr std::string_view kOne = "/one";
constexpr std::string_view kPerspective = "/ps";
constexpr std::string_view kQuotedSwitches[] = {kTexture, kBackground, kHost};
constexpr std::string_view kPlainSwitches[] = {kReload, kTop, kOne, kPerspective};

bool IsPlainSwitch(std::string_view arg) {
  return std::find(std::begin(kPlainSwitches), std::end(kPlainSwitches), arg) != std::end(kPlainSwitches);
}

bool IsQuotedSwitch(std::string_view arg) {
  return std::any_of(std::begin(kQuotedSwitches), std::end(kQuotedSwitches),
                     [arg](std::string_view s) { return arg.starts_with(s); });
}

bool HasPlainSwitch(std::span<const std::string> args, std::string_view name) {
  return std::any_of(args.begin(), args.end(), [name](const std::string& a) { return a == name; });
}

// The value of the first argument that begins with the quoted switch: what the
// value buffer holds up to the next quote. Nothing when no argument begins
// with the switch or the quote is not closed within the buffer.
std::optional<std::string_view> QuotedValue(std::span<const std::string> args, std::string_view name) {
  const auto it = std::find_if(args.begin(), args.end(), [name](const std::string& a) { return a.starts_with(name); });
  if (it == args.end()) return std::nullopt;
  std::string_view rest = std::string_view(*it).substr(name.size());
  // The C string in the buffer ends at an embedded NUL, too.
  rest = rest.substr(0, std::min({rest.size(), kSwitchValueBuffer - 1, rest.find('\0')}));
  const std::size_t quote = rest.find('"');
  if (quote == std::string_view::npos) return std::nullopt;
  return rest.substr(0, quote);
}

// Paths enter here once, with "\" made "/", so the loads, the reload, the
// file time and the save all see the same path.
std::string PathField(std::string_view value) { return NormalizeSeparators(value.substr(0, kMaxPath - 1)); }

// The leading decimal number of a value; 0 when there is none or it does not
// fit, so that a garbled id never names some other host.
uint64_t LeadingNumber(std::string_view value) {
  uint64_t n = 0;
  for (const char c : value) {
    if (c < '0' || c > '9') break;
    const uint64_t digit = static_cast<uint64_t>(c - '0');
    if (n > (UINT64_MAX - digit) / 10) return 0;
    n = n * 10 + digit;
  }
  return n;
}

}  // namespace

LaunchOptions ParseCommandLine(std::span<const std::string> args) {
  LaunchOptions o;

  // The file-name argument: the first that is neither one of our switches nor
  // an option of the toolkit's kind ("-name").
  for (const std::string& a : args) {
    if (a.empty() || a.front() == '-' || IsPlainSwitch(a) || IsQuotedSwitch(a)) continue;
    if (a.size() < kMaxPath && a.find('\0') == std::string::npos) o.modelPath = PathField(a);
    break;
  }

  if (const auto v = QuotedValue(args, kTexture)) o.texturePath = PathField(*v);
  if (const auto v = QuotedValue(args, kBackground)) o.backgroundPath = PathField(*v);
  o.reload = HasPlainSwitch(args, kReload);
  o.topMost = HasPlainSwitch(args, kTop);
  if (const auto v = QuotedValue(args, kHost)) o.hostId = LeadingNumber(*v);
  o.singleInstance = HasPlainSwitch(args, kOne);
  o.perspective = HasPlainSwitch(args, kPerspective);
  return o;
}

InfoRequest FindInfoRequest(std::span<const std::string> args) {
  if (HasPlainSwitch(args, "--help") || HasPlainSwitch(args, "-h")) return InfoRequest::kHelp;
  if (HasPlainSwitch(args, "--version")) return InfoRequest::kVersion;
  return InfoRequest::kNone;
}

LaunchOptions ParseCommandLine(int argc, const char* const* argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i] != nullptr ? argv[i] : "");
  return ParseCommandLine(args);
}

}  // namespace korvex
