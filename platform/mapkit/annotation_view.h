#pragma once

#include "platform/mapkit/annotation.h"
#include "platform/uikit/image_view.h"

#include <memory>

namespace map {

// The view that shows one annotation: an image centred on the annotation's point (moved by
// `centerOffset`), plus whatever subviews a subclass adds. Views are reused by identifier:
// the map keeps views of annotations that left it and hands them out again through
// `dequeueReusableAnnotationViewWithIdentifier`.
class AnnotationView : public ui::View {
public:
    AnnotationView(std::shared_ptr<Annotation> annotation, QString reuseIdentifier);

    [[nodiscard]] const std::shared_ptr<Annotation>& annotation() const { return annotation_; }
    void setAnnotation(std::shared_ptr<Annotation> annotation);
    [[nodiscard]] const QString& reuseIdentifier() const { return reuseIdentifier_; }

    [[nodiscard]] std::shared_ptr<ui::Image> image() const;
    // Sizes the view to the image.
    void setImage(std::shared_ptr<ui::Image> image);

    [[nodiscard]] ui::Point centerOffset() const { return centerOffset_; }
    void setCenterOffset(ui::Point offset);

    [[nodiscard]] bool isSelected() const { return selected_; }
    virtual void setSelected(bool selected, bool animated);
    [[nodiscard]] bool isHighlighted() const { return highlighted_; }
    void setHighlighted(bool highlighted) { highlighted_ = highlighted; }

    [[nodiscard]] bool isEnabled() const { return enabled_; }
    void setEnabled(bool enabled) { enabled_ = enabled; }

    // Called before the map hands the view out again.
    virtual void prepareForReuse();

private:
    std::shared_ptr<Annotation> annotation_;
    QString reuseIdentifier_;
    std::shared_ptr<ui::ImageView> imageView_;
    ui::Point centerOffset_;
    bool selected_ = false;
    bool highlighted_ = false;
    bool enabled_ = true;
};

// The views the map gives annotations when its delegate has none: a red pin for an
// annotation, a blue dot with a ring for the user's place. A selected view with a title
// shows the title above itself.
class DefaultAnnotationView : public AnnotationView {
public:
    DefaultAnnotationView(std::shared_ptr<Annotation> annotation, bool userLocation);
    void setSelected(bool selected, bool animated) override;
    void drawRect(const ui::Rect& rect) override;

private:
    void placeCallout();

    bool userLocation_;
    std::shared_ptr<ui::View> callout_;
};

}  // namespace map
