#pragma once

#include "platform/uikit/view_controller.h"

#include <QString>

// A titled screen that says in one sentence what will be shown there, standing in for a
// screen of the housing pages still to come. At the root of a stack of its own (presented
// modally) it offers "关闭".
class HousesPlaceholder : public ui::ViewController {
public:
    HousesPlaceholder(const QString& title, const QString& description);

    [[nodiscard]] const QString& description() const { return description_; }
    // The look of every placeholder screen: a light grey ground with the description in the
    // middle.
    static void describe(ui::View& view, const QString& description);

protected:
    void viewDidLoad() override;

private:
    QString description_;
};
