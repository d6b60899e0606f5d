#pragma once
// The batch tool's argument reader and the readers of the options' values:
// each yields a value or records the first usage error.

#include "batch_plan.h"

#include "workspace/controls.h"

#include <cmath>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace gloamery::batch {

constexpr const char* kSlotList = "height, shadow, colour, grass, stone, texture or detail";

std::vector<std::string> splitAtCommas(const std::string& text);

// Walks the argument list; every reader either yields a value or records
// the first usage error.
class Reader {
public:
    explicit Reader(const std::vector<std::string>& args) : args_(args) {}

    bool atEnd() const { return pos_ >= args_.size(); }
    std::string next() { return args_.at(pos_++); }

    // The value after an option, or an error naming what is missing.
    std::optional<std::string> value(const std::string& option, const char* what)
    {
        if (atEnd()) {
            fail(option + " needs " + what);
            return std::nullopt;
        }
        return next();
    }

    std::optional<Slot> slot(const std::string& option)
    {
        const auto name = value(option, "a SLOT and a FILE");
        if (!name) return std::nullopt;
        const auto s = slotFromName(*name);
        if (!s) fail("unknown slot " + quoted(*name) + " after " + option + ": use " + kSlotList);
        return s;
    }

    std::optional<std::string> file(const std::string& option)
    {
        const auto f = value(option, "a SLOT and a FILE");
        if (f && f->empty()) {
            fail(option + " needs a file name, not an empty text");
            return std::nullopt;
        }
        return f;
    }

    // A whole number lo..hi written in the C locale ("128", "1e2").
    std::optional<int> integer(const std::string& option, int lo, int hi)
    {
        const std::string range = std::to_string(lo) + ".." + std::to_string(hi);
        const auto text = value(option, ("a whole number " + range).c_str());
        if (!text) return std::nullopt;
        const auto v = parseCNumber(*text);
        if (!v || *v != std::floor(*v) || *v < lo || *v > hi) {
            fail(option + " needs a whole number " + range + ", not " + quoted(*text));
            return std::nullopt;
        }
        return static_cast<int>(*v);
    }

    void fail(std::string message)
    {
        if (!error_) error_ = UsageError{std::move(message)};
    }
    const std::optional<UsageError>& error() const { return error_; }

private:
    const std::vector<std::string>& args_;
    std::size_t pos_ = 0;
    std::optional<UsageError> error_;
};

// --load or --save with its slot and file; nothing after a usage error.
std::optional<Step> readPictureStep(const std::string& option, Reader& in);
// "LO,HI": two finite numbers, LO below HI.
std::optional<ElevationRange> readRange(const std::string& option, Reader& in);
// Whole numbers separated by commas, one within each of the ranges.
std::optional<std::vector<int>> readNumbers(const std::string& option, Reader& in, const char* form,
                                            const std::vector<std::pair<int, int>>& ranges, const char* example);
// "W,H" with both whole numbers within 1..16384.
std::optional<SizeStep> readSize(const std::string& option, Reader& in);
// The control options, as the control schema has them (flag, kind, range,
// message). False when the argument is none of them; a bad value is
// recorded in the reader and leaves the controls as they were. X0, Y0 and
// the decay are read once, into the numbers their steps take.
bool readControl(const std::string& option, Reader& in, Controls& c, ShadowNumbers& numbers);

} // namespace gloamery::batch
