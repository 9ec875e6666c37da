#include "engine/option_table.h"

#include <algorithm>

namespace ombrel {

TOptionTable::TOptionTable(std::string synopsis, std::string summary, std::vector<TOption> options)
    : Synopsis(std::move(synopsis)), Summary(std::move(summary)), Options(std::move(options)) {}

const TOption* TOptionTable::Find(const std::string& name) const {
    for (const TOption& o : Options)
        if (std::find(o.Names.begin(), o.Names.end(), name) != o.Names.end()) return &o;
    return nullptr;
}

bool TOptionTable::Parse(const std::vector<std::string>& args, std::string& error) const {
    for (size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::string value;
        bool inline_value = false;
        if (const size_t eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
            inline_value = true;
        }
        const TOption* option = Find(name);
        if (!option) {
            error = "unknown option '" + name + "'";
            return false;
        }
        if (option->Value.empty() && inline_value) {
            error = "option " + name + " takes no value";
            return false;
        }
        if (!option->Value.empty() && !inline_value) {
            if (i + 1 >= args.size()) {
                error = "option " + name + " needs a value";
                return false;
            }
            value = args[++i];
        }
        if (!option->Take(value, error)) return false;
    }
    return true;
}

std::string TOptionTable::Usage() const {
    constexpr size_t Column = 22;
    std::string text = "usage: " + Synopsis + "\n" + Summary + "\n";
    for (const TOption& o : Options) {
        std::string left = "  ";
        for (size_t n = 0; n < o.Names.size(); ++n)
            left += (n ? ", " : "") + o.Names[n] + (o.Value.empty() ? "" : " " + o.Value);
        size_t from = 0;
        for (bool first = true; from <= o.Help.size(); first = false) {
            const size_t end = std::min(o.Help.find('\n', from), o.Help.size());
            std::string line = first ? left : "";
            line += line.size() < Column ? std::string(Column - line.size(), ' ') : std::string("\n") + std::string(Column, ' ');
            text += line + o.Help.substr(from, end - from) + "\n";
            from = end + 1;
        }
    }
    return text;
}

}  // namespace ombrel
