#include "height_rows.h"

#include <algorithm>

namespace gloamery {

namespace {

constexpr Colour kNotRed = ~Colour{255};

bool isGrey(Colour c) { return c == grey(red(c)); }

} // namespace

HeightRows::HeightRows(Colour background, int pw, int ph, int w, int h, bool tile, bool deep)
    : background_(background), pw_(pw), ph_(ph), w_(w), h_(h), tile_(tile && pw > 0 && ph > 0)
{
    // The outside row and column at the top sample, as the runs read them.
    if (deep) deep_ = std::make_shared<DeepGrid>(w, h, std::uint16_t{65535}, RowLayout::Padded);
    else bytes_ = std::make_shared<ByteGrid>(w, h, std::uint8_t{255}, RowLayout::Padded);
    // A background that is not grey shows wherever the picture leaves the map.
    if (!deep && !tile_ && !isGrey(background) && (pw < w || ph < h)) startRest(0);
}

template <class Sample>
void HeightRows::put(MapGrid<Sample>& g, int y, const Sample* row, Sample fill)
{
    Sample* out = g.row(y);
    const int covered = std::min(pw_, w_);
    std::copy_n(row, covered, out);
    if (!tile_) std::fill(out + covered, out + w_, fill);
    else
        for (int x = pw_; x < w_; x += pw_) std::copy_n(row, std::min(pw_, w_ - x), out + x);
}

void HeightRows::restFromBytes(int y)
{
    const std::uint8_t* in = bytes_->row(y);
    Colour* out = rest_->data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(w_);
    for (int x = 0; x < w_; ++x)
        out[x] = (tile_ || (x < pw_ && y < ph_) ? gloamery::grey(in[x]) : background_) & kNotRed;
}

void HeightRows::startRest(int upTo)
{
    rest_ = std::make_shared<std::vector<Colour>>(static_cast<std::size_t>(w_) * static_cast<std::size_t>(h_));
    for (int y = 0; y < upTo; ++y) restFromBytes(y);
}

void HeightRows::grey(int y, const std::uint8_t* row)
{
    if (y >= h_) return;
    put(*bytes_, y, row, static_cast<std::uint8_t>(red(background_)));
    if (rest_) restFromBytes(y);
}

void HeightRows::colour(int y, const Colour* row)
{
    if (y >= h_) return;
    reds_.resize(static_cast<std::size_t>(pw_));
    for (int x = 0; x < pw_; ++x) reds_[static_cast<std::size_t>(x)] = static_cast<std::uint8_t>(red(row[x]));
    put(*bytes_, y, reds_.data(), static_cast<std::uint8_t>(red(background_)));
    const int shown = std::min(pw_, w_);
    if (!rest_ && !std::all_of(row, row + shown, isGrey)) startRest(y);
    if (!rest_) return;
    Colour* out = rest_->data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(w_);
    for (int x = 0; x < w_; ++x) out[x] = (tile_ ? row[x % pw_] : x < pw_ ? row[x] : background_) & kNotRed;
}

void HeightRows::deep(int y, const std::uint16_t* row)
{
    if (y < h_) put(*deep_, y, row, static_cast<std::uint16_t>(257 * red(background_)));
}

HeightSlot HeightRows::finish()
{
    const std::size_t w = static_cast<std::size_t>(w_);
    auto rows = [&](auto& g, auto fill) {
        for (int y = std::min(ph_, h_); y < h_; ++y) {
            if (tile_) std::copy_n(g.row(y % ph_), w, g.row(y));
            else std::fill_n(g.row(y), w, fill);
            if (!rest_) continue;
            Colour* out = rest_->data() + static_cast<std::size_t>(y) * w;
            if (tile_) std::copy_n(rest_->data() + static_cast<std::size_t>(y % ph_) * w, w, out);
            else std::fill_n(out, w, background_ & kNotRed);
        }
    };
    if (deep_) {
        rows(*deep_, static_cast<std::uint16_t>(257 * red(background_)));
        return HeightSlot(HeightGrid(std::shared_ptr<const DeepGrid>(std::move(deep_))), nullptr, background_);
    }
    rows(*bytes_, static_cast<std::uint8_t>(red(background_)));
    return HeightSlot(HeightGrid(std::shared_ptr<const ByteGrid>(std::move(bytes_))), std::move(rest_), background_);
}

} // namespace gloamery
