#include "web/header_cookie.h"

#include "text/text_between.h"

namespace lirabel {

namespace {

constexpr std::string_view kColon = ":";
constexpr std::string_view kNameSeparator = "-";
constexpr std::string_view kCookieItemSeparator = ";";
constexpr char kCookieAssign[] = "=";
constexpr std::string_view kSetCookieName = "Set-Cookie";
constexpr std::string_view kSetCookieNameSeparator = ": ";
constexpr std::string_view kSetCookieMarker = "Set-Cookie:";
// A server deletes a cookie by sending it with this value.
constexpr std::string_view kDeletedSuffix = "=deleted";

// The text without its last n bytes.
Text dropLast(std::string_view text, int n) {
  return leftText(text, textLength(text) - n);
}

}  // namespace

Text normalizeHeaders(std::string_view block) {
  Text result;
  bool first = true;
  for (const Text& line : splitText(block, kCrLf)) {
    int colon = findText(line, kColon);
    if (colon < 1) continue;
    Text name = leftText(line, colon - 1);
    Text rewritten;
    if (findText(name, kNameSeparator) < 1) {
      rewritten = capitalizeFirst(name);
    } else {
      bool firstPiece = true;
      for (const Text& piece : splitText(name, kNameSeparator)) {
        if (!firstPiece) rewritten += kNameSeparator;
        rewritten += capitalizeFirst(piece);
        firstPiece = false;
      }
    }
    // Taking the rest from the end brings back trailing '-' of the name,
    // for which the split gave no piece.
    rewritten += rightText(line, textLength(line) - textLength(rewritten));
    if (!first) result += kCrLf;
    result += rewritten;
    first = false;
  }
  return result;
}

Text capitalizeFirst(std::string_view text) {
  Text result(text);
  if (!result.empty() && result[0] >= 'a' && result[0] <= 'z') {
    result[0] = static_cast<char>(result[0] - 'a' + 'A');
  }
  return result;
}

Text headerName(std::string_view line) {
  int colon = findText(line, kColon);
  if (colon < 1) return Text();
  return trimSpaces(leftText(line, colon - 1));
}

Text headerValue(std::string_view line) {
  int colon = findText(line, kColon);
  if (colon < 1) return Text();
  return trimSpaces(midText(line, colon + 1, textLength(line)));
}

Text textBefore(std::string_view text, std::string_view separator,
                int startPosition, bool ignoreCase) {
  if (startPosition < 1) startPosition = 1;
  int found = findText(text, separator, startPosition, ignoreCase);
  if (found < 1) return Text();
  return leftText(text, found - 1);
}

Text collectSetCookies(std::string_view responseHeaders) {
  Text result;
  for (const Text& line : splitText(responseHeaders, kCrLf)) {
    if (textBefore(line, kSetCookieNameSeparator) != kSetCookieName) continue;
    Text item;
    if (findText(line, kCookieItemSeparator) >= 1) {
      // Only the leading name=value; path, expiry and the rest are dropped.
      item = textBetween(line, kSetCookieMarker, kCookieItemSeparator);
    } else {
      item = replaceText(line, kSetCookieMarker);
    }
    result += trimSpaces(item);
    result += kCookieSeparator;
  }
  if (result.empty()) return result;
  return dropLast(result, textLength(kCookieSeparator));
}

Text mergeCookies(Text& current, Text& incoming) {
  current = removeSpaces(current);
  incoming = removeSpaces(incoming);
  std::vector<Text> oldItems = splitText(current, kCookieItemSeparator);
  std::vector<Text> newItems = splitText(incoming, kCookieItemSeparator);
  for (const Text& item : oldItems) {
    if (!hasCookieName(newItems, cookieName(item))) newItems.push_back(item);
  }
  Text merged;
  for (const Text& item : newItems) {
    if (rightText(item, textLength(kDeletedSuffix)) == kDeletedSuffix) {
      continue;
    }
    merged += item;
    merged += kCookieSeparator;
  }
  merged = dropLast(merged, textLength(kCookieSeparator));
  current = removeDuplicateItems(merged, kCookieSeparator);
  return current;
}

Text cookieName(std::string_view item) {
  int assign = findText(item, kCookieAssign);
  if (assign < 1) return trimSpaces(item);
  return trimSpaces(leftText(item, assign - 1));
}

bool hasCookieName(const std::vector<Text>& items, std::string_view name) {
  for (const Text& item : items) {
    if (cookieName(item) == name) return true;
  }
  return false;
}

Text removeDuplicateItems(std::string_view text, std::string_view separator) {
  std::vector<Text> seen;
  Text result;
  for (Text& piece : splitText(text, separator)) {
    if (indexOfItem(seen, piece) != -1) continue;
    result += piece;
    result += separator;
    seen.push_back(std::move(piece));
  }
  return dropLast(result, textLength(separator));
}

int indexOfItem(const std::vector<Text>& items, std::string_view text) {
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (items[i] == text) return static_cast<int>(i) + 1;
  }
  return -1;
}

}  // namespace lirabel
