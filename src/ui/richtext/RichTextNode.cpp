#include "ui/richtext/RichTextNode.h"

#include <algorithm>

RichTextNode::RichTextNode() : style_(std::make_shared<RichTextStyle>()) {}

RichTextNode::RichTextNode(const RichTextStyle& style) : style_(style.copy()) {}

void RichTextNode::addSubnode(std::shared_ptr<RichTextNode> node) {
    insertSubnode(std::move(node), subnodes_.size());
}

void RichTextNode::insertSubnode(std::shared_ptr<RichTextNode> node, std::size_t index) {
    node->supernode_ = weak_from_this();
    subnodes_.insert(subnodes_.begin() + std::ptrdiff_t(std::min(index, subnodes_.size())),
                     std::move(node));
}

void RichTextNode::insertSubnodeBeforeNode(std::shared_ptr<RichTextNode> node,
                                           const RichTextNode* sibling) {
    const auto found = std::find_if(subnodes_.begin(), subnodes_.end(),
                                    [&](const auto& child) { return child.get() == sibling; });
    insertSubnode(std::move(node), std::size_t(found - subnodes_.begin()));
}

std::shared_ptr<RichTextNode> RichTextNode::subnodeAtIndex(std::size_t index) const {
    return index < subnodes_.size() ? subnodes_[index] : nullptr;
}

std::size_t RichTextNode::nodeIndex() const {
    const auto parent = supernode();
    if (!parent) return 0;
    const auto& siblings = parent->subnodes_;
    const auto found = std::find_if(siblings.begin(), siblings.end(),
                                    [&](const auto& child) { return child.get() == this; });
    return std::size_t(found - siblings.begin());
}

std::shared_ptr<RichTextNode> RichTextNode::siblingAt(std::ptrdiff_t offset) const {
    const auto parent = supernode();
    if (!parent) return nullptr;
    const std::size_t index = nodeIndex();
    if (index >= parent->subnodes_.size()) return nullptr;
    const std::ptrdiff_t wanted = std::ptrdiff_t(index) + offset;
    if (wanted < 0) return nullptr;
    return parent->subnodeAtIndex(std::size_t(wanted));
}

std::shared_ptr<RichTextNode> RichTextNode::previousNode() const {
    return siblingAt(-1);
}

std::shared_ptr<RichTextNode> RichTextNode::nextNode() const {
    return siblingAt(1);
}

int RichTextNode::numberOfParents() const {
    int count = 0;
    for (auto parent = supernode(); parent; parent = parent->supernode()) ++count;
    return count;
}

void RichTextNode::collectDescendants(std::vector<std::shared_ptr<RichTextNode>>& into) const {
    for (const auto& child : subnodes_) {
        into.push_back(child);
        child->collectDescendants(into);
    }
}

std::vector<std::shared_ptr<RichTextNode>> RichTextNode::allSubnodes() {
    std::vector<std::shared_ptr<RichTextNode>> nodes{shared_from_this()};
    collectDescendants(nodes);
    return nodes;
}

std::vector<std::shared_ptr<RichTextNode>> RichTextNode::_allSubnodes() const {
    std::vector<std::shared_ptr<RichTextNode>> nodes;
    collectDescendants(nodes);
    return nodes;
}

void RichTextNode::adjustStylesAndSubstylesRangesByRange(ui::Range range) {
    if (styleRange_.location + styleRange_.length > range.location) {
        styleRange_.location += range.length;
    }
    for (const auto& child : subnodes_) child->adjustStylesAndSubstylesRangesByRange(range);
}

QString RichTextNode::description() const {
    const QString object = QStringLiteral("<RichTextNode: 0x%1>").arg(quintptr(this), 0, 16);
    return QStringLiteral("%1\t-\t%2 - \t%3")
        .arg(object, style_->name(), ui::stringFromRange(styleRange_));
}

QString RichTextNode::descriptionToRoot() const {
    std::vector<const RichTextNode*> chain{this};
    for (auto parent = supernode(); parent; parent = parent->supernode()) {
        chain.push_back(parent.get());
    }
    QStringList lines;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        lines << QString((*it)->numberOfParents(), u'\t') + (*it)->description();
    }
    return u'\n' + lines.join(u'\n') + QStringLiteral("\n\n");
}

QString RichTextNode::descriptionOfTree() const {
    QString text = QString(numberOfParents(), u'\t') + description() + u'\n';
    for (const auto& child : subnodes_) text += child->descriptionOfTree();
    return text;
}
