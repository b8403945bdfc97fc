#pragma once

#include "ui/richtext/RichTextStyle.h"

#include "platform/uikit/geometry.h"

#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace ui {
class Image;
}

// One element of parsed rich text: its style and the characters of the processed
// string the style covers. Parents own their children; the way up is weak.
class RichTextNode : public std::enable_shared_from_this<RichTextNode> {
public:
    // A node of the default style.
    RichTextNode();
    // A node with its own copy of `style`.
    explicit RichTextNode(const RichTextStyle& style);

    [[nodiscard]] bool isClosed() const { return isClosed_; }
    void setClosed(bool closed) { isClosed_ = closed; }
    [[nodiscard]] bool isLink() const { return isLink_; }
    void setLink(bool link) { isLink_ = link; }
    [[nodiscard]] bool isImage() const { return isImage_; }
    void setImage(bool image) { isImage_ = image; }
    [[nodiscard]] bool isBullet() const { return isBullet_; }
    void setBullet(bool bullet) { isBullet_ = bullet; }

    [[nodiscard]] std::shared_ptr<RichTextNode> supernode() const { return supernode_.lock(); }
    [[nodiscard]] const std::vector<std::shared_ptr<RichTextNode>>& subnodes() const {
        return subnodes_;
    }
    // The node's own copy of its style; setting stores a copy.
    [[nodiscard]] RichTextStyle& style() { return *style_; }
    [[nodiscard]] const RichTextStyle& style() const { return *style_; }
    void setStyle(const RichTextStyle& style) { style_ = style.copy(); }
    // Where the element's content begins in the processed string.
    [[nodiscard]] qsizetype startLocation() const { return startLocation_; }
    void setStartLocation(qsizetype location) { startLocation_ = location; }
    // For an image element: its content, a resource name or "base64:" data.
    [[nodiscard]] const QString& imageName() const { return imageName_; }
    void setImageName(const QString& name) { imageName_ = name; }
    // For an image element: the picture made once when the text was parsed.
    [[nodiscard]] const std::shared_ptr<ui::Image>& picture() const { return picture_; }
    void setPicture(std::shared_ptr<ui::Image> picture) { picture_ = std::move(picture); }
    [[nodiscard]] ui::Range styleRange() const { return styleRange_; }
    void setStyleRange(ui::Range range) { styleRange_ = range; }

    void addSubnode(std::shared_ptr<RichTextNode> node);
    // An index past the end appends.
    void insertSubnode(std::shared_ptr<RichTextNode> node, std::size_t index);
    // Before `sibling`, or at the end when `sibling` is not a child.
    void insertSubnodeBeforeNode(std::shared_ptr<RichTextNode> node, const RichTextNode* sibling);
    [[nodiscard]] std::shared_ptr<RichTextNode> subnodeAtIndex(std::size_t index) const;
    // Among the parent's children; 0 without a parent.
    [[nodiscard]] std::size_t nodeIndex() const;
    [[nodiscard]] std::shared_ptr<RichTextNode> previousNode() const;
    [[nodiscard]] std::shared_ptr<RichTextNode> nextNode() const;
    [[nodiscard]] int numberOfParents() const;
    // The node and then all its descendants, each child followed by its own.
    [[nodiscard]] std::vector<std::shared_ptr<RichTextNode>> allSubnodes();
    // The descendants alone, in the same order.
    [[nodiscard]] std::vector<std::shared_ptr<RichTextNode>> _allSubnodes() const;
    // Moves the ranges of this node and its descendants that end after `range`'s
    // location forward by `range`'s length (text was inserted there).
    void adjustStylesAndSubstylesRangesByRange(ui::Range range);

    [[nodiscard]] QString description() const;
    // The root, then each ancestor down to this node, one indented line each.
    [[nodiscard]] QString descriptionToRoot() const;
    [[nodiscard]] QString descriptionOfTree() const;

private:
    [[nodiscard]] std::shared_ptr<RichTextNode> siblingAt(std::ptrdiff_t offset) const;
    void collectDescendants(std::vector<std::shared_ptr<RichTextNode>>& into) const;

    bool isClosed_ = false;
    bool isLink_ = false;
    bool isImage_ = false;
    bool isBullet_ = false;
    std::weak_ptr<RichTextNode> supernode_;
    std::vector<std::shared_ptr<RichTextNode>> subnodes_;
    std::shared_ptr<RichTextStyle> style_;
    qsizetype startLocation_ = 0;
    QString imageName_;
    std::shared_ptr<ui::Image> picture_;
    ui::Range styleRange_;
};
