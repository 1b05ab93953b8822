// Writes the two pieces of the resource script that come from the effect's parameter table:
//
//   MakeParameterResources TERMINOLOGY.rc CONTROLS.h
//
// TERMINOLOGY.rc: the parameter count and the parameter entries of the scripting terminology
// (name, key, type, description, flags), as resource-compiler data items that Quenara.rc
// includes inside its AETE block. CONTROLS.h: one #define per dialog control of a parameter,
// for the interface dialog's template.
//
// Built and run on the build machine (the Windows trees are cross builds), so it uses nothing
// but the standard library and the portable table header.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "effect/QuenaraParameterTable.h"

namespace {

std::string CodeText(uint32_t code) {
  std::string s;
  for (int shift = 24; shift >= 0; shift -= 8) s += char((code >> shift) & 0xff);
  return s;
}

// A 32-bit data item: the code's value (the compiler stores it little-endian, which is how the
// host reads a four-character code), with its characters in a comment.
std::string CodeItem(uint32_t code) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%08XL /* '%s' */", unsigned(code), CodeText(code).c_str());
  return text;
}

// A length-prefixed string: the count byte, then the characters. Bytes outside printable ASCII,
// quotes and backslashes become hex escapes, each in a literal of its own so that no following
// character can extend the escape; adjacent literals are stored back to back without fill.
std::string PString(const std::string& s) {
  if (s.size() > 255) {
    std::fprintf(stderr, "MakeParameterResources: \"%s\" is too long for a terminology string\n",
                 s.c_str());
    std::exit(1);
  }
  char count[16];
  std::snprintf(count, sizeof count, "\"\\x%02X\"", unsigned(s.size()));
  std::string out = count;
  std::string plain;
  auto flush = [&] {
    if (!plain.empty()) out += " \"" + plain + "\"";
    plain.clear();
  };
  for (unsigned char c : s) {
    if (c >= 0x20 && c < 0x7f && c != '"' && c != '\\') {
      plain += char(c);
      continue;
    }
    flush();
    char escaped[16];
    std::snprintf(escaped, sizeof escaped, " \"\\x%02X\"", unsigned(c));
    out += escaped;
  }
  flush();
  return out;
}

std::string Terminology() {
  std::ostringstream rc;
  rc << "/* Generated from effect/QuenaraParameterTable.h by resources/MakeParameterResources.cpp:"
        "\n   the terminology's parameter count and its parameter entries, each name, key, type,"
        "\n   description and flags 0, with its size in bytes. */\n";
  rc << "  " << kQuenaraTerminologySize << ", /* parameter count */\n";
  size_t total = 0;
  for (const QuenaraTerminologyEntry& t : kQuenaraTerminology) {
    const QuenaraScriptTerm& term = t.Term();
    const std::string name = term.name, description = term.description;
    const size_t size = 1 + name.size() + 4 + 4 + 1 + description.size() + 2;
    total += size;
    rc << "  " << PString(name) << ", " << CodeItem(term.key) << ", "
       << CodeItem(QuenaraScriptType(t.Entry().kind)) << ",\n    " << PString(description)
       << ", 0, /* " << 1 + name.size() << " + 4 + 4 + " << 1 + description.size()
       << " + 2 = " << size << " */\n";
  }
  rc << "/* " << kQuenaraTerminologySize << " entries, " << total << " bytes */\n";
  return rc.str();
}

// "GammaCorrectionCorrective" -> "GAMMA_CORRECTION_CORRECTIVE", "Randomize Button" ->
// "RANDOMIZE_BUTTON".
std::string MacroName(const std::string& name) {
  std::string out;
  for (size_t i = 0; i < name.size(); ++i) {
    const unsigned char c = name[i];
    if (c == ' ') {
      out += '_';
    } else {
      if (std::isupper(c) && i > 0 && std::islower((unsigned char)name[i - 1])) out += '_';
      out += char(std::toupper(c));
    }
  }
  return out;
}

std::string Controls() {
  std::ostringstream h;
  h << "/* Generated from effect/QuenaraParameterTable.h by resources/MakeParameterResources.cpp:"
       "\n   the interface dialog's controls of the effect's parameters. */\n#pragma once\n\n";
  for (const QuenaraParameterEntry& e : kQuenaraParameters) {
    const std::string macro = "QUENARA_CONTROL_" + MacroName(e.name);
    switch (e.kind) {
      case QuenaraParameterKind::Position:
        h << "#define " << macro << "_X " << e.control << "\n";
        h << "#define " << macro << "_Y " << e.secondControl << "\n";
        break;
      case QuenaraParameterKind::Float:
        h << "#define " << macro << "_SLIDER " << e.control << "\n";
        h << "#define " << macro << "_EDIT " << e.secondControl << "\n";
        break;
      case QuenaraParameterKind::Bool:
      case QuenaraParameterKind::List:
        h << "#define " << macro << " " << e.control << "\n";
        break;
    }
  }
  return h.str();
}

bool Write(const char* path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
  out.close();
  if (!out) std::fprintf(stderr, "MakeParameterResources: cannot write %s\n", path);
  return bool(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: MakeParameterResources TERMINOLOGY.rc CONTROLS.h\n");
    return 2;
  }
  return Write(argv[1], Terminology()) && Write(argv[2], Controls()) ? 0 : 1;
}
