// A plain model of the settings file lookups, used by the INI fuzz target as an oracle: the
// reader answers from indexes built once per load, and must give exactly the answers that
// searching the text anew for every question gives. The model works on ASCII text without
// tabs or CRs only (the fuzz target maps its input into that alphabet first), where the
// file's lines, upper-casing and blank trimming need no code page.
#pragma once

#include <string>
#include <vector>

namespace fuzz {

class IniModel {
  public:
    // text: the file's bytes; every line gets its "\n", and a "\n" goes in front when the
    // text begins with a section header, so that every header follows a "\n".
    explicit IniModel(const std::string& text) {
        std::size_t start = 0;
        while (start < text.size()) {
            std::size_t end = text.find('\n', start);
            if (end == std::string::npos) end = text.size();
            m_buffer.append(text, start, end - start).push_back('\n');
            start = end + 1;
        }
        if (!m_buffer.empty() && m_buffer[0] == '[') m_buffer.insert(0, 1, '\n');
        m_upper = upper(m_buffer);
    }

    std::vector<std::string> sectionNames() const {
        std::vector<std::string> names;
        std::size_t pos = 0;
        for (;;) {
            const std::size_t open = m_buffer.find("\n[", pos);
            if (open == std::string::npos) break;
            const std::size_t close = m_buffer.find(']', open + 2);
            if (close == std::string::npos) break;
            names.push_back(m_buffer.substr(open + 2, close - open - 2));
            pos = close;
        }
        return names;
    }

    std::vector<std::string> keyNames(const std::string& section) const {
        std::vector<std::string> keys;
        const std::size_t header = findSection(section);
        if (header == std::string::npos) return keys;
        std::size_t line = m_buffer.find('\n', header + 1);
        while (line != std::string::npos && line + 1 < m_buffer.size()) {
            const std::size_t start = line + 1;
            const std::size_t end = m_buffer.find('\n', start);
            std::string text = trimRight(m_buffer.substr(start, end - start));
            line = end;
            if (text.empty()) continue;
            if (text[0] == '[') break;
            const std::size_t equals = text.find('=');
            if (equals != std::string::npos && equals > 0) text = trimRight(text.substr(0, equals));
            if (!text.empty()) keys.push_back(text);
        }
        return keys;
    }

    // True with the value when the section has a line giving key a non-empty value.
    bool get(const std::string& key, const std::string& section, std::string& value) const {
        const std::size_t header = findSection(section);
        if (header == std::string::npos) return false;
        const std::string search = "\n" + upper(key);
        std::size_t end = m_upper.find("\n[", header + 3);
        if (end == std::string::npos) end = m_upper.size();
        for (std::size_t hit = m_upper.find(search, header); hit != std::string::npos && hit < end;
             hit = m_upper.find(search, hit + 1)) {
            const std::size_t start = hit + 1;
            const std::string line = m_buffer.substr(start, m_buffer.find('\n', start) - start);
            value = valueOf(line, key);
            if (value.empty()) continue;
            if (value[0] == '"')
                value = value.size() < 2 ? std::string() : value.substr(1, value.size() - 2);
            return true;
        }
        value.clear();
        return false;
    }

    static std::string upper(std::string text) {
        for (char& c : text)
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        return text;
    }

  private:
    std::size_t findSection(const std::string& section) const {
        return m_upper.find("\n[" + upper(section) + "]");
    }

    static std::string trimRight(std::string text) {
        while (!text.empty() && text.back() == ' ') text.pop_back();
        return text;
    }
    static std::string trim(const std::string& text) {
        const std::size_t first = text.find_first_not_of(' ');
        return first == std::string::npos ? std::string() : trimRight(text.substr(first));
    }

    // The line is cut at every "="; the piece that equals the key (letter case ignored) is
    // followed by the value, the rest of the line. An empty piece ends the search.
    static std::string valueOf(const std::string& line, const std::string& key) {
        std::size_t start = 0;
        for (;;) {
            const std::size_t equals = line.find('=', start);
            const std::string piece = trim(line.substr(
                start, equals == std::string::npos ? std::string::npos : equals - start));
            if (piece.empty() || equals == std::string::npos) return std::string();
            if (upper(piece) == upper(key)) return trim(line.substr(equals + 1));
            start = equals + 1;
        }
    }

    std::string m_buffer;
    std::string m_upper;
};

}  // namespace fuzz
