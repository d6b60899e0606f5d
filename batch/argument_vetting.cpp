#include "argument_vetting.h"

#include "option_table.h"

#include <algorithm>
#include <string_view>

namespace gloamery::batch {

namespace {

// How many arguments follow the option; -1 for an unknown one.
int valuesOf(std::string_view name)
{
    for (const OptionInfo& o : batchOptions())
        if (o.name == name) return o.values;
    return -1;
}
bool takesValue(std::string_view name) { return valuesOf(name) > 0; }
bool known(std::string_view name) { return valuesOf(name) >= 0; }

} // namespace

Vetted vetArguments(const std::vector<std::string>& args)
{
    std::vector<std::string> found, unknown;
    std::string valueError; // the last one counts
    // Steps over the values of `name`, given in `arg` (the first after
    // '=') and as the arguments after it.
    auto valueOf = [&](const std::string& name, const std::string& arg, std::size_t& i) {
        const std::size_t eq = arg.find('=');
        const int values = valuesOf(name) - (eq != std::string::npos && takesValue(name) ? 1 : 0);
        if (!takesValue(name) && eq != std::string::npos) {
            valueError = "Unexpected value after '" + arg.substr(0, eq) + "'.";
        } else if (i + static_cast<std::size_t>(values) >= args.size()) {
            // A slot without its file is named by the reading below.
            if (values > 0 && i + 1 == args.size()) valueError = "Missing value after '" + arg + "'.";
            i = args.size();
        } else {
            i += static_cast<std::size_t>(values);
        }
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--") break; // the options end
        if (arg.size() < 2 || arg[0] != '-') continue;
        if (arg[1] == '-') {
            const std::string name = arg.substr(2, arg.find('=') == std::string::npos ? std::string::npos : arg.find('=') - 2);
            if (!known(name)) {
                unknown.push_back(name);
                continue;
            }
            found.push_back(name);
            valueOf(name, arg, i);
            continue;
        }
        // Single letters, run together: "-hv", "-x".
        std::string name;
        for (std::size_t pos = 1; pos < arg.size(); ++pos) {
            name = arg.substr(pos, 1);
            if (!known(name)) {
                unknown.push_back(name);
                continue;
            }
            found.push_back(name);
            if (pos + 1 < arg.size() && arg[pos + 1] == '=') break;
        }
        if (known(name) && arg.find('=') != std::string::npos) valueError = "Unexpected value after '" + arg.substr(0, arg.find('=')) + "'.";
    }
    if (!valueError.empty()) return {std::nullopt, UsageError{valueError}};
    if (unknown.size() == 1) return {std::nullopt, UsageError{"Unknown option '" + unknown[0] + "'."}};
    if (!unknown.empty()) {
        std::string names;
        for (const std::string& n : unknown) names += (names.empty() ? "" : ", ") + n;
        return {std::nullopt, UsageError{"Unknown options: " + names + "."}};
    }
    auto isSet = [&](std::string_view a, std::string_view b) {
        return std::find(found.begin(), found.end(), a) != found.end() || std::find(found.begin(), found.end(), b) != found.end();
    };
    if (isSet("h", "help") || isSet("help-all", "help-all")) return {Request::Help, std::nullopt};
    if (isSet("v", "version")) return {Request::Version, std::nullopt};
    return {};
}

std::vector<std::string> unpackArguments(const std::vector<std::string>& args)
{
    std::vector<std::string> out;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        out.push_back(arg);
        if (arg == "--") {
            out.insert(out.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
            break;
        }
        if (!arg.starts_with("--")) continue;
        const std::size_t eq = arg.find('=');
        const std::string name = arg.substr(2, eq == std::string::npos ? std::string::npos : eq - 2);
        int values = std::max(0, valuesOf(name));
        if (eq != std::string::npos && eq > 2) {
            out.back() = arg.substr(0, eq);
            out.push_back(arg.substr(eq + 1));
            --values;
        }
        for (; values > 0 && i + 1 < args.size(); --values) out.push_back(args[++i]);
    }
    return out;
}

} // namespace gloamery::batch
