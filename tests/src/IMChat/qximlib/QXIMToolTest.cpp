#include "IMChat/qximlib/qximdata/util/QXIMTool.h"

#include <gtest/gtest.h>

namespace {

TEST(QXIMToolTest, RewritesTheRenditionOfAnImageUrl) {
    const QSizeF size(100, 80);
    EXPECT_EQ(qxim_restructImageUrl("http://img/a/abc.jpg", size),
              "http://img/a/abc_100-80_6-0.jpg");
    EXPECT_EQ(qxim_restructImageUrl("http://img/a/abc_200-150c_6-0.jpg", size),
              "http://img/a/abc_100-80c_6-0.jpg");
    EXPECT_EQ(qxim_restructImageUrl("http://img/a/abc_200-150_8-3.jpg", size, 5),
              "http://img/a/abc_100-80_8-3.jpg");
    EXPECT_EQ(qxim_restructImageUrl("http://img/a/abc_def.jpg", size), "http://img/a/abc_def.jpg");
    EXPECT_EQ(qxim_restructImageUrl("http://img/a/abc.jpg", QSizeF(99.9, 80)),
              "http://img/a/abc_99-80_6-0.jpg");
    EXPECT_EQ(qxim_restructImageUrl(QString(), size), "");
}

}  // namespace
