#pragma once

#include "platform/foundation/clock.h"
#include "platform/uikit/animation.h"
#include "platform/uikit/bezier_path.h"
#include "platform/uikit/color.h"
#include "platform/uikit/geometry.h"
#include "platform/uikit/transform3d.h"

#include <QImage>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QPainter;

namespace ui {

class GraphicsContext;
class Image;
class View;

// Where a layer's contents go within its bounds.
enum class ContentsGravity {
    Center,
    Top,
    Bottom,
    Left,
    Right,
    TopLeft,
    TopRight,
    BottomLeft,
    BottomRight,
    Resize,
    ResizeAspect,
    ResizeAspectFill,
};

// The animatable state of a layer: its model values, or what animations make of
// them at a moment (the presentation).
struct LayerState {
    Rect bounds;
    Point position;
    Point anchorPoint{0.5, 0.5};
    Transform3D transform;
    double zPosition = 0;
    double opacity = 1;
    bool hidden = false;
    Color backgroundColor;
    double cornerRadius = 0;
    double borderWidth = 0;
    Color borderColor = Color::blackColor();
    Color shadowColor = Color::blackColor();
    double shadowOpacity = 0;
    Size shadowOffset{0, -3};
    double shadowRadius = 3;
    std::shared_ptr<Image> contents;

    // The frame in the superlayer: the bounds turned by the transform about the
    // anchor point and put at the position.
    [[nodiscard]] Rect frame() const;
    // Maps a point of the layer's own (bounds) space into its superlayer's space.
    [[nodiscard]] QTransform toSuperlayer() const;
};

// A rectangle of content: background, contents image, border, corner radius,
// shadow, sublayers, a transform and animations. Every view has one (its
// geometry lives there); layers may also stand alone as sublayers.
//
// Changes to a stand-alone layer in a tree animate implicitly for the current
// Transaction's duration; a view's layer animates only inside view animations.
class Layer : public std::enable_shared_from_this<Layer> {
public:
    [[nodiscard]] static std::shared_ptr<Layer> layer();
    Layer();
    virtual ~Layer();
    Layer(const Layer&) = delete;
    Layer& operator=(const Layer&) = delete;

    // Geometry.
    [[nodiscard]] const Rect& bounds() const { return model_.bounds; }
    void setBounds(const Rect& bounds);
    [[nodiscard]] const Point& position() const { return model_.position; }
    void setPosition(Point position);
    [[nodiscard]] const Point& anchorPoint() const { return model_.anchorPoint; }
    void setAnchorPoint(Point anchorPoint);
    [[nodiscard]] Rect frame() const { return model_.frame(); }
    void setFrame(const Rect& frame);
    [[nodiscard]] const Transform3D& transform() const { return model_.transform; }
    void setTransform(const Transform3D& transform);
    [[nodiscard]] AffineTransform affineTransform() const { return model_.transform.affine(); }
    void setAffineTransform(const AffineTransform& transform);
    [[nodiscard]] double zPosition() const { return model_.zPosition; }
    void setZPosition(double z);

    // Appearance.
    [[nodiscard]] double opacity() const { return model_.opacity; }
    void setOpacity(double opacity);
    [[nodiscard]] bool isHidden() const { return model_.hidden; }
    void setHidden(bool hidden);
    [[nodiscard]] const Color& backgroundColor() const { return model_.backgroundColor; }
    void setBackgroundColor(const Color& color);
    [[nodiscard]] double cornerRadius() const { return model_.cornerRadius; }
    void setCornerRadius(double radius);
    [[nodiscard]] bool masksToBounds() const { return masksToBounds_; }
    void setMasksToBounds(bool masks);
    [[nodiscard]] double borderWidth() const { return model_.borderWidth; }
    void setBorderWidth(double width);
    [[nodiscard]] const Color& borderColor() const { return model_.borderColor; }
    void setBorderColor(const Color& color);
    [[nodiscard]] const Color& shadowColor() const { return model_.shadowColor; }
    void setShadowColor(const Color& color);
    [[nodiscard]] double shadowOpacity() const { return model_.shadowOpacity; }
    void setShadowOpacity(double opacity);
    [[nodiscard]] Size shadowOffset() const { return model_.shadowOffset; }
    void setShadowOffset(Size offset);
    [[nodiscard]] double shadowRadius() const { return model_.shadowRadius; }
    void setShadowRadius(double radius);
    [[nodiscard]] const std::optional<BezierPath>& shadowPath() const { return shadowPath_; }
    void setShadowPath(std::optional<BezierPath> path);
    [[nodiscard]] bool isOpaque() const { return opaque_; }
    void setOpaque(bool opaque) { opaque_ = opaque; }
    [[nodiscard]] const std::shared_ptr<Image>& contents() const { return model_.contents; }
    void setContents(std::shared_ptr<Image> contents);
    [[nodiscard]] ContentsGravity contentsGravity() const { return gravity_; }
    void setContentsGravity(ContentsGravity gravity);
    [[nodiscard]] double contentsScale() const { return contentsScale_; }
    void setContentsScale(double scale) { contentsScale_ = scale; }
    [[nodiscard]] const LayerState& model() const { return model_; }

    // The tree.
    [[nodiscard]] Layer* superlayer() const { return superlayer_; }
    [[nodiscard]] const std::vector<std::shared_ptr<Layer>>& sublayers() const {
        return sublayers_;
    }
    void addSublayer(std::shared_ptr<Layer> layer);
    void insertSublayerAtIndex(std::shared_ptr<Layer> layer, std::size_t index);
    void insertSublayerBelow(std::shared_ptr<Layer> layer, const Layer* sibling);
    void insertSublayerAbove(std::shared_ptr<Layer> layer, const Layer* sibling);
    void removeFromSuperlayer();
    // The view this layer backs, if any.
    [[nodiscard]] View* delegateView() const { return view_; }

    // Point conversion between layers of one tree (nullptr: the root's space).
    [[nodiscard]] Point convertPointToLayer(Point point, const Layer* layer) const;
    [[nodiscard]] Point convertPointFromLayer(Point point, const Layer* layer) const;
    // Maps this layer's space to the root layer's space.
    [[nodiscard]] QTransform transformToRoot() const;

    // Drawing. The backing store holds what the view drew; it is shown in place
    // of the contents image.
    [[nodiscard]] const std::shared_ptr<Image>& backingStore() const { return backing_; }
    void setBackingStore(std::shared_ptr<Image> backing);
    // Draws this layer and its sublayers (model values) into `context`, the
    // layer's bounds at the context's origin.
    void renderInContext(GraphicsContext& context);

    // Animations.
    void addAnimation(const std::shared_ptr<Animation>& animation, const QString& key = {});
    [[nodiscard]] std::shared_ptr<Animation> animationForKey(const QString& key) const;
    [[nodiscard]] QStringList animationKeys() const;
    void removeAnimationForKey(const QString& key);
    void removeAllAnimations();
    [[nodiscard]] bool hasAnimations() const;
    // True while an animation added without letting the user interact runs.
    [[nodiscard]] bool blocksInteraction() const;
    // Marks the animations added next as blocking interaction (view animations).
    void addAnimation(const std::shared_ptr<Animation>& animation, const QString& key,
                      bool blocksInteraction);

    // The layer's own time: parent time runs `speed` times as fast from
    // `beginTime`, shifted by `timeOffset`. Speed 0 pauses every animation.
    [[nodiscard]] double speed() const { return speed_; }
    void setSpeed(double speed);
    [[nodiscard]] double timeOffset() const { return timeOffset_; }
    void setTimeOffset(double offset);
    [[nodiscard]] double beginTime() const { return beginTime_; }
    void setBeginTime(double time);
    // Converts a media time to this layer's time (`from` must be nullptr: media time).
    [[nodiscard]] double convertTime(double time, const Layer* from = nullptr) const;
    [[nodiscard]] double localTime() const { return convertTime(mediaTime()); }

    // The transition running now, if any: how far it has come and the look it replaces.
    struct TransitionState {
        const Transition* transition = nullptr;
        double progress = 0;
        const QImage* before = nullptr;
    };
    [[nodiscard]] std::optional<TransitionState> runningTransition() const;

    // The model changed by the animations running now.
    [[nodiscard]] LayerState presentation() const;
    [[nodiscard]] AnimationValue presentationValue(const QString& keyPath) const;

    // Any layer, animation or drawing changed since the count was last read:
    // hosts redraw when it moves or while animations run (those of paused layers, at speed
    // 0, do not count).
    [[nodiscard]] static quint64 changeCount();
    [[nodiscard]] static int runningAnimationCount();
    static void noteChange();
    // A host with nothing to draw sleeps until something changes: `wake` runs once, at the
    // next change noted (changes are made on the main thread), unless the owner stops waiting
    // first.
    static void waitForChange(const void* owner, std::function<void()> wake);
    static void stopWaitingForChange(const void* owner);
    // A frame was shown; whether everything changed since happened in the last
    // moment (the present turn), so that the frame still shows what came before.
    static void noteFrameShown();
    [[nodiscard]] static bool changesSinceFrameAreRecent();

    // Key-path access to a state, shared by animations and the renderer.
    [[nodiscard]] static AnimationValue valueForKeyPath(const LayerState& state,
                                                        const QString& keyPath);
    static void setValueForKeyPath(LayerState& state, const QString& keyPath,
                                   const AnimationValue& value);

protected:
    friend class View;
    // `keyPath` changed from `oldValue` (the presentation before the change):
    // view layers hand it to the view animation in force, stand-alone layers in
    // a tree animate it implicitly.
    virtual void didChangeValue(const QString& keyPath, const AnimationValue& oldValue);

private:
    struct Running;
    void attachView(View* view) { view_ = view; }
    void detachSublayer(Layer* layer);
    void scheduleEnd(Running& running);
    void scheduleAllEnds();
    void finish(std::uint64_t serial);
    void stopAndDrop(std::vector<Running>::iterator found, bool finished);
    void change(const QString& keyPath, const std::function<void()>& apply);
    [[nodiscard]] QImage lookBeforeThisTurn() const;

    LayerState model_;
    bool masksToBounds_ = false;
    bool opaque_ = false;
    std::optional<BezierPath> shadowPath_;
    ContentsGravity gravity_ = ContentsGravity::Resize;
    double contentsScale_ = 1;
    std::shared_ptr<Image> backing_;

    Layer* superlayer_ = nullptr;
    std::vector<std::shared_ptr<Layer>> sublayers_;
    View* view_ = nullptr;

    double speed_ = 1;
    double timeOffset_ = 0;
    double beginTime_ = 0;
    std::vector<Running> animations_;
};

}  // namespace ui
