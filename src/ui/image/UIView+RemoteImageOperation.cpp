#include "ui/image/UIView+RemoteImageOperation.h"

#include "platform/uikit/view.h"

#include <map>

namespace RemoteImageOperation {

namespace {

using Operations = std::map<QString, std::vector<std::shared_ptr<IKImageOperation>>>;
const std::string kOperationsKey = "ik_imageLoadOperations";

Operations& operationsOf(ui::View& view) {
    if (auto* operations = view.associated<Operations>(kOperationsKey)) return *operations;
    view.setAssociatedValue(kOperationsKey, Operations{});
    return *view.associated<Operations>(kOperationsKey);
}

}  // namespace

void ik_setImageLoadOperation(ui::View& view, std::shared_ptr<IKImageOperation> operation,
                              const QString& key) {
    std::vector<std::shared_ptr<IKImageOperation>> operations;
    if (operation) operations.push_back(std::move(operation));
    ik_setImageLoadOperations(view, std::move(operations), key);
}

void ik_setImageLoadOperations(ui::View& view,
                               std::vector<std::shared_ptr<IKImageOperation>> operations,
                               const QString& key) {
    ik_cancelImageLoadOperationWithKey(view, key);
    std::erase(operations, nullptr);
    if (!operations.empty()) operationsOf(view)[key] = std::move(operations);
}

void ik_cancelImageLoadOperationWithKey(ui::View& view, const QString& key) {
    auto& operations = operationsOf(view);
    const auto found = operations.find(key);
    if (found == operations.end()) return;
    // Taken out first: a cancel may start another load in the same slot.
    const auto cancelled = std::move(found->second);
    operations.erase(found);
    for (const auto& operation : cancelled) operation->cancel();
}

void ik_removeImageLoadOperationWithKey(ui::View& view, const QString& key) {
    operationsOf(view).erase(key);
}

std::size_t ik_imageLoadOperationCount(ui::View& view, const QString& key) {
    const auto& operations = operationsOf(view);
    const auto found = operations.find(key);
    return found == operations.end() ? 0 : found->second.size();
}

}  // namespace RemoteImageOperation
