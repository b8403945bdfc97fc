#pragma once

#include "platform/mapkit/annotation_view.h"

#include <functional>

namespace ui {
class Label;
}

// A broker shop's pin: a speech bubble with the shop's short name, gold for a gold shop.
// The map screen switches the bubble's picture on selection; the view colours its label.
class QXMapAnnotationView : public map::AnnotationView {
public:
    static inline const QString kReuseIdentifier = QStringLiteral("QXMapAnnotationView");

    [[nodiscard]] static std::shared_ptr<ui::Image> normalImage(bool gold);
    [[nodiscard]] static std::shared_ptr<ui::Image> selectedImage(bool gold);

    QXMapAnnotationView(std::shared_ptr<map::Annotation> annotation,
                        const QString& reuseIdentifier);

    // Fills the view from its present annotation (after every creation or reuse).
    void setAnnotationView();
    void setSelected(bool selected, bool animated) override;
    // A touch on the bubble itself finds no view; the map takes it.
    [[nodiscard]] ui::View* hitTest(ui::Point point, const ui::Event* event) override;

    [[nodiscard]] const std::shared_ptr<ui::Label>& titleLable() const { return titleLable_; }
    [[nodiscard]] bool isExcellentShop() const { return isExcellentShop_; }

    std::function<void()> clickBlock;

private:
    std::shared_ptr<ui::Label> titleLable_;
    bool isExcellentShop_ = false;
};
