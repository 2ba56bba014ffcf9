// Option parsing shared by the commands: long options only, with values as
// the next argument or after "=", and "--" ending the options.
#include "builder/cli_args.h"

#include <algorithm>

namespace {

bool listed(std::initializer_list<const char*> names, const std::string& name) {
    return std::any_of(names.begin(), names.end(), [&](const char* known) { return name == known; });
}

}  // namespace

bool CommandLine::has(const std::string& flag) const {
    return std::find(flags.begin(), flags.end(), flag) != flags.end();
}

std::string CommandLine::value(const std::string& name) const {
    auto it = values.find(name);
    return it == values.end() ? std::string() : it->second;
}

bool parseCommandLine(const std::vector<std::string>& args, std::initializer_list<const char*> valueOptions,
                      std::initializer_list<const char*> flagOptions, CommandLine* out, std::string* error) {
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            out->positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--help" || arg == "-h") {
            out->help = true;
        } else if (listed(flagOptions, arg)) {
            out->flags.push_back(arg);
        } else {
            size_t eq = arg.find('=');
            std::string name = arg.substr(0, eq);
            if (!listed(valueOptions, name)) {
                *error = "unknown option " + name;
                return false;
            }
            if (eq == std::string::npos && i + 1 == args.size()) {
                *error = "option " + name + " needs a value";
                return false;
            }
            std::string value = eq == std::string::npos ? args[++i] : arg.substr(eq + 1);
            if (!out->values.emplace(name, value).second) {
                *error = "option " + name + " given twice";
                return false;
            }
        }
    }
    return true;
}
