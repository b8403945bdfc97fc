#pragma once

#include "ui/image/IKImageOperation.h"

#include <QString>

#include <memory>
#include <vector>

namespace ui {
class View;
}

// The picture loads a view has running, one slot (key) per thing it shows: a new load in a
// slot cancels the one before it, so a reused cell never shows a late picture of its
// earlier row.
namespace RemoteImageOperation {

// Cancels what the slot held, then keeps `operation` there.
void ik_setImageLoadOperation(ui::View& view, std::shared_ptr<IKImageOperation> operation,
                              const QString& key);
// The same for a slot that holds several loads at once.
void ik_setImageLoadOperations(ui::View& view,
                               std::vector<std::shared_ptr<IKImageOperation>> operations,
                               const QString& key);
// Cancels every load of the slot and empties it.
void ik_cancelImageLoadOperationWithKey(ui::View& view, const QString& key);
// Empties the slot without cancelling.
void ik_removeImageLoadOperationWithKey(ui::View& view, const QString& key);
// How many loads the slot holds.
[[nodiscard]] std::size_t ik_imageLoadOperationCount(ui::View& view, const QString& key);

}  // namespace RemoteImageOperation
