#include "houses/favourites/QXHistoryCell.h"

#include "houses/shared/ListCellLook.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/string_drawing.h"

namespace {

const ui::Color kHistoryGreen = ui::Color::rgb(86, 186, 34);
constexpr double kTitleWidth = 209;
constexpr double kTextOnlyTitleWidth = 304;
constexpr double kEditingShrink = 9;

}  // namespace

QXHistoryCell::QXHistoryCell(const QString& reuseIdentifier)
    : ui::TableViewCell(ui::TableViewCellStyle::Value1, reuseIdentifier) {
    ListCellLook::styleRow(*this);
    thumbnail_.backdrop()->setTag(1112);
    ListCellLook::makeTextLabels(left1Lbl_, left2Lbl_, left3Lbl_, right2Lbl_, right3Lbl_);
    haveImageView_ =
        std::make_shared<ui::ImageView>(ui::Image::imageNamed(QStringLiteral("文字预览模式.png")));
    haveImageView_->setHidden(true);
    lineView_ =
        std::make_shared<ui::ImageView>(ui::Image::imageNamed(QStringLiteral("列表分割线.png")));
    signIcon_ = std::make_shared<ui::ImageView>(ui::Image::imageNamed(QStringLiteral("备注.png")));
    const ui::Size icon = signIcon_->image() ? signIcon_->image()->size() : ui::Size(14, 14);
    signIcon_->setFrame({28 - icon.width, 74 - icon.height / 2, icon.width, icon.height});
    bottomLabel_ = ListCellLook::label(ui::Font::systemFontOfSize(14), kHistoryGreen);
    bottomLabel_->setFrame({30, 64, 205, 20});
    fangImageView_ =
        std::make_shared<ui::ImageView>(ui::Image::imageNamed(QStringLiteral("放心房.png")));
    fangImageView_->setFrame({294, 36, 19, 19});
    fangImageView_->setHidden(true);

    ui::View* content = contentView();
    thumbnail_.addTo(*content);
    for (const auto& view : std::initializer_list<std::shared_ptr<ui::View>>{
             left1Lbl_, left2Lbl_, left3Lbl_, right2Lbl_, right3Lbl_, haveImageView_, lineView_,
             signIcon_, bottomLabel_, fangImageView_}) {
        content->addSubview(view);
    }
    setSign(QString());
}

void QXHistoryCell::setContent(const PostCellContent& content) {
    if (content == content_) return;
    content_ = content;
    setNeedsLayout();
}

void QXHistoryCell::setIsShowWifiImage(bool show) {
    showWifiImage_ = show;
    setNeedsLayout();
}

void QXHistoryCell::setSign(const QString& sign) {
    bottomLabel_->setText(sign);
    bottomLabel_->setHidden(sign.isEmpty());
    signIcon_->setHidden(sign.isEmpty());
}

void QXHistoryCell::setLine(double y, bool last) {
    lineView_->setFrame(last ? ui::Rect(0, y, 320, 0.5) : ui::Rect(10, y, 300, 0.5));
}

void QXHistoryCell::layoutSubviews() {
    ui::TableViewCell::layoutSubviews();
    layoutContent();
}

void QXHistoryCell::layoutContent() {
    const int masterId = content_.value(QStringLiteral("masterId")).toInt();
    const int majorId = content_.value(QStringLiteral("majorId")).toInt();
    QString right = content_.value(QStringLiteral("right2")).toString();
    if (right.startsWith(QStringLiteral("0元"))) right = QStringLiteral("面议");
    left1Lbl_->setText(content_.value(QStringLiteral("left1")).toString());
    left2Lbl_->setText(content_.value(QStringLiteral("left2")).toString());
    left3Lbl_->setText(content_.value(QStringLiteral("left3")).toString());
    right2Lbl_->setText(right);
    right3Lbl_->setText(content_.value(QStringLiteral("right3")).toString());
    const bool hasPictures = content_.value(QStringLiteral("haveImage")).toBool();
    const double shrink = isEditing() ? kEditingShrink : 0;
    haveImageView_->setFrame({290, 46, 18, 18});
    if (!showWifiImage_) {
        // Text only, the price and the third line's right-hand text in columns of their own.
        thumbnail_.hide();
        left1Lbl_->setFrame({8, 8, kTextOnlyTitleWidth - shrink, 20});
        left2Lbl_->setFrame({8, 29, 250, 16});
        left3Lbl_->setFrame({8, 46, 205, 16});
        right2Lbl_->setFrame({220, 29, 90, 16});
        right3Lbl_->setFrame({hasPictures ? 197.0 : 220.0, 46, 90, 16});
        haveImageView_->setHidden(!hasPictures);
        right3Lbl_->setHidden(isEditing());
    } else {
        const bool picture = masterId == 1 || masterId == 6 || masterId == 14 ||
                             (masterId == 7 && majorId != 2 && majorId != 4);
        const double x = picture ? 84 : 8;
        const double rightY = picture ? 46 : 29;
        const double full = picture ? 228 : 304;
        double priceWidth = 0;
        if (!right.isEmpty()) {
            priceWidth =
                ui::StringDrawing::sizeWithFont(right, right2Lbl_->font(), ui::Size(1e6, 16)).width;
            right2Lbl_->setFrame({310 - priceWidth, rightY, priceWidth, 16});
        }
        if (picture) {
            thumbnail_.show(content_.value(QStringLiteral("image")).toString());
            left3Lbl_->setFrame({x, 46, 135, 16});
            haveImageView_->setHidden(true);
        } else {
            thumbnail_.hide();
            left3Lbl_->setFrame({x, 46, 205, 16});
            haveImageView_->setHidden(!hasPictures);
        }
        left2Lbl_->setFrame({x, 29, right.isEmpty() ? full : full - priceWidth - 5, 16});
        left1Lbl_->setFrame({x, 8, kTitleWidth - shrink, 20});
        right3Lbl_->setHidden(true);
    }
    const bool fang = content_.value(QStringLiteral("FangFlag")).toBool();
    fangImageView_->setHidden(!fang || isEditing());
    if (fang) fangImageView_->setFrame({294, 8, 18, 18});
    right2Lbl_->setHidden(isEditing());
}

void QXHistoryCell::setCheckboxViewSelected(bool selected) {
    checkboxViewSelected_ = selected;
    if (checkboxView_) checkboxView_->setSelected(selected);
}

void QXHistoryCell::setCheckboxView(std::shared_ptr<ui::Button> checkbox) {
    if (checkboxView_) checkboxView_->removeFromSuperview();
    checkboxView_ = std::move(checkbox);
    if (!checkboxView_) return;
    checkboxView_->setSelected(checkboxViewSelected_);
    checkboxView_->addTarget(this, ui::kControlEventTouchUpInside,
                             [this](ui::Control&, const ui::Event*) { checkboxTapped(); });
    contentView()->addSubview(checkboxView_);
}

void QXHistoryCell::checkboxTapped() {
    setCheckboxViewSelected(!checkboxViewSelected_);
    if (auto delegate = delegate_.lock())
        delegate->historyCellCheckboxSelected(*this, checkboxViewSelected_);
}

void QXHistoryCell::setEditing(bool editing, bool animated) {
    ui::TableViewCell::setEditing(editing, animated);
    right2Lbl_->setHidden(editing);
    right3Lbl_->setHidden(editing || showWifiImage_);
    if (content_.value(QStringLiteral("FangFlag")).toBool()) fangImageView_->setHidden(editing);
    const ui::Rect title = left1Lbl_->frame();
    ui::View::animateWithDuration(animated ? 0.2 : 0, [&] {
        left1Lbl_->setFrame({title.origin.x, title.origin.y, editing ? 200.0 : kTitleWidth, 20});
    });
}
