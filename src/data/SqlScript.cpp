#include "data/SqlScript.h"

#include <cctype>

namespace fo {
namespace {

bool isBlank(const std::string& text) {
    for (unsigned char c : text)
        if (!std::isspace(c)) return false;
    return true;
}

std::string trimmed(const std::string& text) {
    std::size_t b = 0, e = text.size();
    while (b < e && std::isspace(static_cast<unsigned char>(text[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(text[e - 1]))) --e;
    return text.substr(b, e - b);
}

}  // namespace

std::vector<std::string> splitSqlScript(std::string_view script) {
    std::vector<std::string> statements;
    std::string current;
    bool inQuotes = false;
    for (std::size_t i = 0; i < script.size(); ++i) {
        char c = script[i];
        if (inQuotes) {
            current += c;
            // A doubled quote inside a literal is an escaped quote; the
            // toggle below reopens the literal on its second half.
            if (c == '\'') inQuotes = false;
            continue;
        }
        if (c == '\'') {
            inQuotes = true;
            current += c;
        } else if (c == '-' && i + 1 < script.size() && script[i + 1] == '-') {
            while (i < script.size() && script[i] != '\n') ++i;
            current += '\n';
        } else if (c == ';') {
            if (!isBlank(current)) statements.push_back(trimmed(current));
            current.clear();
        } else {
            current += c;
        }
    }
    if (!isBlank(current)) statements.push_back(trimmed(current));
    return statements;
}

void runSqlScript(Connection& cn, std::string_view script) {
    for (const std::string& statement : splitSqlScript(script)) cn.execute(statement);
}

}  // namespace fo
