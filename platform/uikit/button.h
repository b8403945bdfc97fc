#pragma once

#include "platform/uikit/control.h"
#include "platform/uikit/font.h"

#include <QString>

#include <map>
#include <memory>

namespace ui {

class Image;
class ImageView;
class Label;

enum class ButtonType {
    Custom = 0,
    System = 1,
    DetailDisclosure = 2,
    InfoLight = 3,
    InfoDark = 4,
    ContactAdd = 5
};

// A control showing a title and an image over a background image, each chosen
// per state (normal, highlighted, selected, disabled and their combinations); a
// state without its own value shows the normal one. Title and image sit side
// by side, placed by the content alignments and moved by their edge insets.
class Button : public Control {
public:
    static constexpr ButtonType kRoundedRect = ButtonType::System;

    [[nodiscard]] static std::shared_ptr<Button> buttonWithType(ButtonType type);
    explicit Button(const Rect& frame = {}, ButtonType type = ButtonType::Custom);

    [[nodiscard]] ButtonType buttonType() const { return type_; }

    void setTitle(const QString& title, unsigned state);
    [[nodiscard]] QString titleForState(unsigned state) const;
    void setTitleColor(const Color& color, unsigned state);
    [[nodiscard]] Color titleColorForState(unsigned state) const;
    void setTitleShadowColor(const Color& color, unsigned state);
    [[nodiscard]] Color titleShadowColorForState(unsigned state) const;
    void setImage(std::shared_ptr<Image> image, unsigned state);
    [[nodiscard]] std::shared_ptr<Image> imageForState(unsigned state) const;
    void setBackgroundImage(std::shared_ptr<Image> image, unsigned state);
    [[nodiscard]] std::shared_ptr<Image> backgroundImageForState(unsigned state) const;

    [[nodiscard]] QString currentTitle() const { return titleForState(state()); }
    [[nodiscard]] Color currentTitleColor() const { return titleColorForState(state()); }
    [[nodiscard]] std::shared_ptr<Image> currentImage() const { return imageForState(state()); }
    [[nodiscard]] std::shared_ptr<Image> currentBackgroundImage() const {
        return backgroundImageForState(state());
    }

    [[nodiscard]] Label* titleLabel() const { return titleLabel_.get(); }
    [[nodiscard]] ImageView* imageView() const { return imageView_.get(); }
    // The title label's font.
    [[nodiscard]] const Font& font() const;
    void setFont(const Font& font);

    [[nodiscard]] const EdgeInsets& contentEdgeInsets() const { return contentInsets_; }
    void setContentEdgeInsets(const EdgeInsets& insets);
    [[nodiscard]] const EdgeInsets& titleEdgeInsets() const { return titleInsets_; }
    void setTitleEdgeInsets(const EdgeInsets& insets);
    [[nodiscard]] const EdgeInsets& imageEdgeInsets() const { return imageInsets_; }
    void setImageEdgeInsets(const EdgeInsets& insets);
    // Without an image of their own, highlighted buttons darken their image and
    // disabled ones fade it.
    [[nodiscard]] bool adjustsImageWhenHighlighted() const { return adjustsWhenHighlighted_; }
    void setAdjustsImageWhenHighlighted(bool adjusts);
    [[nodiscard]] bool adjustsImageWhenDisabled() const { return adjustsWhenDisabled_; }
    void setAdjustsImageWhenDisabled(bool adjusts);

    // Layout rectangles, overridable as on the platform.
    [[nodiscard]] virtual Rect backgroundRectForBounds(const Rect& bounds) const;
    [[nodiscard]] virtual Rect contentRectForBounds(const Rect& bounds) const;
    [[nodiscard]] virtual Rect titleRectForContentRect(const Rect& contentRect) const;
    [[nodiscard]] virtual Rect imageRectForContentRect(const Rect& contentRect) const;

    void layoutSubviews() override;
    [[nodiscard]] Size sizeThatFits(Size size) const override;
    [[nodiscard]] QString shownText() const override { return currentTitle(); }

protected:
    void stateDidChange() override;

private:
    template <class T>
    [[nodiscard]] static T lookup(const std::map<unsigned, T>& values, unsigned state);
    void updateAppearance();
    [[nodiscard]] Size titleSize(double availableWidth) const;
    [[nodiscard]] Size imageSize(const Rect& contentRect) const;
    [[nodiscard]] Rect placed(const Rect& area, Size size, double total, double before,
                              double fillWidth) const;
    [[nodiscard]] std::shared_ptr<Image> adjustedImage() const;

    ButtonType type_;
    std::map<unsigned, QString> titles_;
    std::map<unsigned, Color> titleColors_;
    std::map<unsigned, Color> shadowColors_;
    std::map<unsigned, std::shared_ptr<Image>> images_;
    std::map<unsigned, std::shared_ptr<Image>> backgrounds_;
    std::shared_ptr<ImageView> backgroundView_;
    std::shared_ptr<ImageView> imageView_;
    std::shared_ptr<Label> titleLabel_;
    EdgeInsets contentInsets_;
    EdgeInsets titleInsets_;
    EdgeInsets imageInsets_;
    bool adjustsWhenHighlighted_ = true;
    bool adjustsWhenDisabled_ = true;
    mutable std::pair<const Image*, std::shared_ptr<Image>> darkened_;
    mutable std::pair<const Image*, std::shared_ptr<Image>> faded_;
};

}  // namespace ui
