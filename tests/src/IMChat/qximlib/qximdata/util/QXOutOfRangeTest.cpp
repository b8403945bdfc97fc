#include "IMChat/qximlib/qximdata/util/QXOutOfRange.h"

#include "SandboxTest.h"

namespace {

class QXOutOfRangeTest : public SandboxTest {};

TEST_F(QXOutOfRangeTest, ReadsPastTheEndGiveNil) {
    const QVariantList list{"a", 2, true};
    EXPECT_EQ(qx_objectAtIndex(list, 0), QVariant("a"));
    EXPECT_EQ(qx_objectAtIndex(list, 2), QVariant(true));
    EXPECT_FALSE(qx_objectAtIndex(list, 3).isValid());
    EXPECT_FALSE(qx_objectAtIndex(list, -1).isValid());
    EXPECT_FALSE(qx_objectAtIndex(QVariantList{}, 0).isValid());
}

}  // namespace
