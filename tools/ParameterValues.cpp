#include "tools/ParameterValues.h"

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>

#include "tools/HostParameterTable.h"

namespace {

bool ParseDouble(const std::string& text, double& v) {
  if (text.empty() || std::isspace((unsigned char)text[0])) return false;
  char* end = nullptr;
  errno = 0;
  v = std::strtod(text.c_str(), &end);
  return errno == 0 && end == text.c_str() + text.size() && std::isfinite(v);
}

bool ParseInt32(const std::string& text, int32_t& v) {
  if (text.empty() || std::isspace((unsigned char)text[0])) return false;
  char* end = nullptr;
  errno = 0;
  const long long r = std::strtoll(text.c_str(), &end, 10);
  if (errno != 0 || end != text.c_str() + text.size() || r < INT32_MIN || r > INT32_MAX) {
    return false;
  }
  v = int32_t(r);
  return true;
}

bool SameTextIgnoringCase(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i] != 0; ++i) {
    if (std::tolower((unsigned char)a[i]) != std::tolower((unsigned char)b[i])) return false;
  }
  return i == a.size() && b[i] == 0;
}

void Put(HostDescriptor& d, DescriptorItem item) {
  for (DescriptorItem& existing : d.items) {
    if (existing.key == item.key) {
      existing = item;
      return;
    }
  }
  d.items.push_back(item);
}

DescriptorItem Item(const HostParameterRow& row) {
  DescriptorItem item;
  item.key = ScriptKeyCode(row);
  item.type = row.type;
  return item;
}

std::string DisplayName(const HostParameterRow& row) {
  if (row.kind == HostParameterKind::kPositionX) return std::string(row.keyName) + " x";
  if (row.kind == HostParameterKind::kPositionY) return std::string(row.keyName) + " y";
  return row.keyName;
}

std::string ValueText(const DescriptorItem& item) {
  switch (item.type) {
    case typeFloat:
    case typeUnitFloat:
      return FormatNumber(item.number);
    case typeInteger:
      return std::to_string(item.integer);
    case typeBoolean:
      return item.boolean ? "1" : "0";
    case typeEnumerated:
      return FourCCText(item.value);
    case typeClass:
    case typeGlobalClass:
      return FourCCText(item.code);
    default: {
      std::string s = "(";  // built step by step: GCC 12 misreports operator+ chains here
      s += FourCCText(item.type);
      s += ")";
      return s;
    }
  }
}

bool SameValue(const DescriptorItem& a, const DescriptorItem& b) {
  if (a.type != b.type) return false;
  switch (a.type) {
    case typeFloat:
      return a.number == b.number;
    case typeInteger:
      return a.integer == b.integer;
    case typeBoolean:
      return a.boolean == b.boolean;
    default:
      return false;
  }
}

}  // namespace

std::string FormatNumber(double v) {
  char buffer[64];
  const auto r = std::to_chars(buffer, buffer + sizeof(buffer), v);
  return std::string(buffer, r.ptr);
}

bool BuildPlayback(const std::vector<ParamAssignment>& params, HostDescriptor& out,
                   std::string& error) {
  HostDescriptor d;
  for (const ParamAssignment& p : params) {
    const std::vector<const HostParameterRow*> rows = FindParametersByName(p.name);
    if (rows.empty()) {
      error = "unknown parameter '" + p.name + "'";
      return false;
    }
    const HostParameterRow& row = *rows[0];
    // Messages name the parameter as it was typed, with its key name when typed as a key.
    std::string shown = rows.size() == 2 ? row.keyName : DisplayName(row);
    if (p.name != row.keyName) shown = p.name + " (" + shown + ")";
    DescriptorItem item = Item(row);
    if (rows.size() == 2) {  // a position by its key name: "X,Y"
      const size_t comma = p.value.find(',');
      double x = 0, y = 0;
      if (comma == std::string::npos || !ParseDouble(p.value.substr(0, comma), x) ||
          !ParseDouble(p.value.substr(comma + 1), y)) {
        error = "value '" + p.value + "' for " + shown + " is not X,Y";
        return false;
      }
      item.number = x;
      Put(d, item);
      DescriptorItem second = Item(*rows[1]);
      second.number = y;
      Put(d, second);
      continue;
    }
    switch (row.kind) {
      case HostParameterKind::kFloat:
      case HostParameterKind::kPositionX:
      case HostParameterKind::kPositionY:
        if (!ParseDouble(p.value, item.number)) {
          error = "value '" + p.value + "' for " + shown + " is not a number";
          return false;
        }
        break;
      case HostParameterKind::kBool:
        if (p.value != "0" && p.value != "1") {
          error = "value '" + p.value + "' for " + shown + " is not 0 or 1";
          return false;
        }
        item.boolean = p.value == "1";
        break;
      case HostParameterKind::kList: {
        // Any whole number goes to the plug-in as it stands (its setter judges the range);
        // a text must be one of the items.
        if (ParseInt32(p.value, item.integer)) break;
        int32_t found = 0;
        for (size_t i = 0; i < row.items.size() && found == 0; ++i) {
          if (p.value == row.items[i]) found = int32_t(i + 1);
        }
        for (size_t i = 0; i < row.items.size() && found == 0; ++i) {
          if (SameTextIgnoringCase(p.value, row.items[i])) found = int32_t(i + 1);
        }
        if (found == 0) {
          error = "value '" + p.value + "' for " + shown +
                  " is neither an item number nor one of its items";
          return false;
        }
        item.integer = found;
        break;
      }
    }
    Put(d, item);
  }
  out = std::move(d);
  return true;
}

std::vector<std::string> RangeNotes(const HostDescriptor& playback) {
  std::vector<std::string> notes;
  for (const DescriptorItem& item : playback.items) {
    const HostParameterRow* row = FindParameterByKey(item.key);
    if (row == nullptr || row->kind != HostParameterKind::kFloat) continue;
    const QuenaraParameterEntry& e = *row->entry;
    // In the order the plug-in's validation applies them: the minimum, then the maximum.
    double used = item.number;
    std::string bound;
    if (e.enforceMinimum && used < e.minimum) {
      used = e.minimum;
      bound = "below its minimum ";
    }
    if (e.enforceMaximum && used > e.maximum) {
      used = e.maximum;
      bound = "above its maximum ";
    }
    if (bound.empty()) continue;
    notes.push_back(DisplayName(*row) + "=" + FormatNumber(item.number) + " is " + bound +
                    FormatNumber(used) + "; the plug-in uses " + FormatNumber(used));
  }
  return notes;
}

bool CheckRecorded(const HostDescriptor& playback, const HostDescriptor& recorded,
                   std::string& error) {
  for (const DescriptorItem& sent : playback.items) {
    const HostParameterRow* row = FindParameterByKey(sent.key);
    const std::string name = row != nullptr ? DisplayName(*row) : FourCCText(sent.key);
    const DescriptorItem* kept = recorded.Find(sent.key);
    if (kept == nullptr) {
      error = "the plug-in did not record " + name + " after playback";
      return false;
    }
    if (!SameValue(sent, *kept)) {
      error = "value " + ValueText(sent) + " for " + name +
              " was rejected by the plug-in (it kept " + ValueText(*kept) + ")";
      return false;
    }
  }
  return true;
}

std::string FormatRecorded(const HostDescriptor& recorded) {
  std::string text;
  for (const DescriptorItem& item : recorded.items) {
    const HostParameterRow* row = FindParameterByKey(item.key);
    if (row == nullptr) {
      text += FourCCText(item.key) + "=" + ValueText(item) + "\n";
      continue;
    }
    if (row->kind == HostParameterKind::kPositionY) {
      // Printed with its x partner unless the x value is missing.
      bool hasX = false;
      for (const DescriptorItem& other : recorded.items) {
        const HostParameterRow* r = FindParameterByKey(other.key);
        if (r != nullptr && r->kind == HostParameterKind::kPositionX &&
            std::string(r->keyName) == row->keyName) {
          hasX = true;
        }
      }
      if (hasX) continue;
      text += std::string(row->scriptKey) + "=" + ValueText(item) + "\n";
      continue;
    }
    if (row->kind == HostParameterKind::kPositionX) {
      const DescriptorItem* y = nullptr;
      for (const DescriptorItem& other : recorded.items) {
        const HostParameterRow* r = FindParameterByKey(other.key);
        if (r != nullptr && r->kind == HostParameterKind::kPositionY &&
            std::string(r->keyName) == row->keyName) {
          y = &other;
        }
      }
      if (y != nullptr) {
        text += std::string(row->keyName) + "=" + ValueText(item) + "," + ValueText(*y) + "\n";
      } else {
        text += std::string(row->scriptKey) + "=" + ValueText(item) + "\n";
      }
      continue;
    }
    text += std::string(row->keyName) + "=" + ValueText(item) + "\n";
  }
  return text;
}
