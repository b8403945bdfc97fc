// Post list pages as the server sends them: any bytes are taken in by the paging rules and
// every post they hold is formatted into its list row and its value texts, never a crash;
// the row count always matches the posts kept.
#include "fuzz/scratch_file.h"
#include "src/houses/query/PostListPaging.h"
#include "src/houses/shared/GetPostListCellFormate.h"
#include "src/net/transport/Json.h"

#include <QByteArray>
#include <QVariant>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

// The list rows read the user's settings: from a sandbox of the harness's own, never the
// user's.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    ScratchSandbox::start("post-page");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    PostListPaging paging;
    paging.startFreshPage();
    paging.takeIn(json_JSON(QVariant(bytes)));
    if (paging.nowListNum != paging.contentArray.size()) std::abort();
    if (paging.isHaveMoreData && paging.nowListNum >= paging.totalListNum) std::abort();
    if (paging.nowListNum > 0 &&
        paging.rowCount() != paging.nowListNum + (paging.isHaveMoreData ? 1 : 0)) {
        std::abort();
    }
    for (const QVariant& entry : paging.contentArray) {
        const QVariantMap post = entry.toMap();
        for (const int major : {1, 3, 5}) {
            (void)GetPostListCellFormate::shareFormate().returnDictionaryForCellWithContent(post, 7,
                                                                                            major);
        }
        for (auto it = post.begin(); it != post.end(); ++it) {
            (void)GetPostListCellFormate::getValueByKey(it.key(), post);
        }
        (void)GetPostListCellFormate::calculatePricePerM2WithContent(post);
    }
    return 0;
}
