#include "ui/richtext/RichTextStyle.h"

#include "ui/richtext/RichTextTags.h"

namespace {

constexpr double kDefaultFontSize = 12;

}  // namespace

RichTextStyle::RichTextStyle()
    : name_(RichTextTags::kDefault),
      font_(ui::Font::systemFontOfSize(kDefaultFontSize)),
      color_(ui::Color::blackColor()),
      bulletCharacter_(QStringLiteral("\u2022")) {}

std::shared_ptr<RichTextStyle> RichTextStyle::styleWithName(const QString& name) {
    auto style = std::make_shared<RichTextStyle>();
    style->setName(name);
    return style;
}

std::shared_ptr<RichTextStyle> RichTextStyle::copy() const {
    auto copy = std::make_shared<RichTextStyle>(*this);
    copy->bulletFont_ = bulletFont();
    copy->bulletColor_ = bulletColor();
    return copy;
}
