#pragma once

#include "platform/uikit/image_view.h"

#include <functional>
#include <memory>
#include <vector>

// What the guide asks of each of its pages: play the pictures' entrance and its reverse,
// and the caption's; each starts its animations and returns at once.
class QXNewGuidViewItemDelegate {
public:
    virtual ~QXNewGuidViewItemDelegate() = default;
    virtual void showAnimation() = 0;
    virtual void showRevertAnimation() = 0;
    virtual void showTextAnimation() = 0;
    virtual void showTextRevertAnimation() = 0;
};

// A guide page: pictures that start invisible, a row of small icons and a caption, with
// the flags the guide reads to keep an animation from starting twice.
class QXNewGuidViewItem : public ui::View, public QXNewGuidViewItemDelegate {
public:
    [[nodiscard]] bool isPlayAnimation() const { return isPlayAnimation_; }
    [[nodiscard]] bool isPlayRevertAnimation() const { return isPlayRevertAnimation_; }
    [[nodiscard]] bool isShow() const { return isShow_; }
    [[nodiscard]] bool isPlayTextAnimation() const { return isPlayTextAnimation_; }
    [[nodiscard]] bool isTextShow() const { return isTextShow_; }
    [[nodiscard]] const std::vector<std::shared_ptr<ui::ImageView>>& viewArray() const {
        return viewArray_;
    }
    [[nodiscard]] ui::ImageView* textView() const { return textView_.get(); }

    void showTextAnimation() override;
    void showTextRevertAnimation() override;

    // A picture at half its image's size (the artwork is drawn at twice the size shown).
    [[nodiscard]] static std::shared_ptr<ui::ImageView> halfSizeImageView(const QString& name);
    static void setScale(ui::View& view, double scale);
    // Moves a picture by (dx, dy) whatever its scale.
    static void moveBy(ui::View& view, double dx, double dy);

protected:
    explicit QXNewGuidViewItem(const ui::Rect& frame);
    // The caption, centred on the screen with its centre at its height / 2 + `offset`.
    void setupTextView(const QString& image, double offset);
    // The icons n = 6 down to `lastIcon`, made by createView.
    void setupIcon(int lastIcon);
    [[nodiscard]] virtual std::shared_ptr<ui::ImageView> createView(int n) = 0;
    // Bookkeeping of the pictures' show and reverse.
    void beginShow();
    void endShow();
    void beginRevert();
    void endRevert();
    // Runs `animations` after `delay` for `duration`; `completion` when they end.
    static void animate(double delay, double duration, std::function<void()> animations,
                        std::function<void()> completion = {});
    [[nodiscard]] std::function<void()> whileAlive(std::function<void(QXNewGuidViewItem&)> step);
    // Animates each icon of viewArray with `step`, icon i after delay(i); when the last
    // icon's animation ends, the show (or the reverse) is over.
    void animateIcons(const std::function<double(std::size_t)>& delay, double duration,
                      const std::function<void(ui::View& icon, std::size_t index)>& step,
                      bool show);

    std::vector<std::shared_ptr<ui::ImageView>> viewArray_;
    std::shared_ptr<ui::ImageView> textView_;

private:
    bool isPlayAnimation_ = false;
    bool isPlayRevertAnimation_ = false;
    bool isShow_ = false;
    bool isPlayTextAnimation_ = false;
    bool isTextShow_ = false;
};
