// Reading UCD files and asking Python for oracle results in the Unicode tests.
//
// The tests compare the generated tables with the UCD text files, parsed here
// independently of the generator. The folder comes from KC_UCD_DIR, else the
// repository's copy; a test whose file is absent fails, naming the folder.
#pragma once

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "unicode/utf8.h"

namespace kc::unicode::testing {

inline constexpr char32_t kCodePoints = 0x110000;

inline std::filesystem::path ucd_dir() {
  const char* env = std::getenv("KC_UCD_DIR");
  return env != nullptr && *env != '\0' ? env : KC_DEFAULT_UCD_DIR;
}

// Path of a UCD file in the flat folder or in unicode.org's subfolders; empty if absent.
inline std::filesystem::path ucd_file(const std::string& name) {
  for (const char* sub : {"", "auxiliary", "emoji", "extracted"}) {
    auto p = ucd_dir() / sub / name;
    if (std::filesystem::is_regular_file(p)) return p;
  }
  return {};
}

#define KC_REQUIRE_UCD_FILE(path_var, name)                                                 \
  const std::filesystem::path path_var = ::kc::unicode::testing::ucd_file(name);            \
  if (path_var.empty())                                                                     \
    GTEST_FAIL() << name << " not found in UCD folder " << ::kc::unicode::testing::ucd_dir() \
                 << " (set KC_UCD_DIR)"

inline std::string trim(const std::string& s) {
  const auto b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return "";
  return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

// Calls `f(lo, hi, fields)` for each data line: fields after the code point column.
inline void for_each_line(const std::filesystem::path& path,
                          const std::function<void(char32_t, char32_t, const std::vector<std::string>&)>& f) {
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    line = line.substr(0, line.find('#'));
    if (trim(line).empty()) continue;
    std::vector<std::string> fields;
    std::stringstream ss(line);
    std::string field;
    while (std::getline(ss, field, ';')) fields.push_back(trim(field));
    const std::string cps = fields[0];
    const auto dots = cps.find("..");
    const auto lo = static_cast<char32_t>(std::stoul(cps.substr(0, dots), nullptr, 16));
    const auto hi = dots == std::string::npos ? lo : static_cast<char32_t>(std::stoul(cps.substr(dots + 2), nullptr, 16));
    fields.erase(fields.begin());
    f(lo, hi, fields);
  }
}

// Membership of every code point in the property named in column 2.
inline std::vector<bool> property_set(const std::filesystem::path& path, const std::string& property) {
  std::vector<bool> in(kCodePoints);
  for_each_line(path, [&](char32_t lo, char32_t hi, const std::vector<std::string>& f) {
    if (f[0] == property)
      for (char32_t c = lo; c <= hi; ++c) in[c] = true;
  });
  return in;
}

// General_Category abbreviation of every code point, from UnicodeData.txt.
inline std::vector<std::string> general_categories(const std::filesystem::path& unicode_data) {
  std::vector<std::string> gc(kCodePoints, "Cn");
  std::optional<char32_t> first;
  for_each_line(unicode_data, [&](char32_t c, char32_t, const std::vector<std::string>& f) {
    if (f[0].ends_with(", First>")) {
      first = c;
      return;
    }
    const char32_t lo = f[0].ends_with(", Last>") ? *first : c;
    for (char32_t k = lo; k <= c; ++k) gc[k] = f[1];
  });
  return gc;
}

inline std::vector<char32_t> parse_cps(const std::string& text) {
  std::vector<char32_t> out;
  std::stringstream ss(text);
  std::string hex;
  while (ss >> hex) out.push_back(static_cast<char32_t>(std::stoul(hex, nullptr, 16)));
  return out;
}

inline std::string utf8(const std::vector<char32_t>& cps) {
  std::string s;
  for (char32_t c : cps) append_utf8(s, c);
  return s;
}

// Runs a Python program with python3 (or $KC_PYTHON) and returns its standard
// output, or nothing when no interpreter could run it.
inline std::optional<std::string> run_python(const std::string& program) {
  const auto script = std::filesystem::temp_directory_path() /
                      ("kc_unicode_oracle_" + std::to_string(std::hash<std::string>{}(program)) + ".py");
  std::ofstream(script) << program;
  const char* env = std::getenv("KC_PYTHON");
  const std::string command = std::string(env != nullptr && *env != '\0' ? env : "python3") + " " +
                              script.string() + " 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return std::nullopt;
  std::string out;
  std::array<char, 65536> buf;
  std::size_t n;
  while ((n = std::fread(buf.data(), 1, buf.size(), pipe)) > 0) out.append(buf.data(), n);
  const int status = pclose(pipe);
  std::filesystem::remove(script);
  if (status != 0 || out.empty()) return std::nullopt;
  return out;
}

}  // namespace kc::unicode::testing
