#include "UIKitTest.h"

#include "GifLzwEncoder.h"
#include "ReferenceImage.h"
#include "TestGifs.h"

#include "platform/uikit/gif_blocks.h"
#include "platform/uikit/gif_code_trim.h"

namespace {

using namespace testgifs;
using ui::GifBlocks;
using ui::GifCodeTrim;

class GifCodeTrimTest : public UIKitTest {};

TEST_F(GifCodeTrimTest, Experiment) {
    constexpr int C = kClearCode, E = kEndCode;
    const QByteArray loop = gifCodeData(2, {C, 0, C, 0, C, 0, C, 0, C, 6, 1, 6, 0, 0, E});
    const QByteArray gif = gifOfFrames(
        {3, 5}, {{QRect(1, 1, 1, 4), std::nullopt, {}, 0, 2, loop}, {QRect(2, 1, 1, 1)}});
    const QByteArray cut = GifCodeTrim::trimmed(gif);
    printf("sizes %lld %lld\n", (long long)gif.size(), (long long)cut.size());
    printf("frames %zu %zu\n", decodedWhole(gif).size(), decodedWhole(cut).size());
}

}  // namespace
