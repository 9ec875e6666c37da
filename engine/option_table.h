#pragma once
#include <functional>
#include <string>
#include <vector>

namespace ombrel {

// One command-line option of a program. Plain C++, shared by the program and
// its tools, so that both read their options by the same rules.
struct TOption {
    // The spellings, the first one shown first: "--window-id", "-window-id".
    std::vector<std::string> Names;
    // The value's name in the usage ("ID"); empty for a switch.
    std::string Value;
    // The usage's description; '\n' starts a continuation line.
    std::string Help;
    // Takes the value (empty for a switch); false, with `error` set to one
    // line naming the problem, when the value is bad.
    std::function<bool(const std::string& value, std::string& error)> Take;
};

// A program's options: parsing and the usage text both come from the table.
// A value follows its option as the next argument, or after '=' for a
// spelling that begins with "--".
class TOptionTable {
public:
    TOptionTable(std::string synopsis, std::string summary, std::vector<TOption> options);

    // False, with `error` set to one line naming the problem, on bad input.
    bool Parse(const std::vector<std::string>& args, std::string& error) const;
    std::string Usage() const;

private:
    const TOption* Find(const std::string& name) const;

    std::string Synopsis, Summary;
    std::vector<TOption> Options;
};

}  // namespace ombrel
