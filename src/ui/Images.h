#pragma once

#include <QAbstractButton>
#include <QIcon>
#include <QPixmap>
#include <QString>

namespace korvex {

// Artwork is looked up by name, as the pages know it ("icon_menu_light").
QString imagePath(const QString& name);
bool imageExists(const QString& name);
QPixmap imagePixmap(const QString& name, const QSize& size);
// The SVG at `path` (or `contents`, when given, standing for an edited copy
// of it) drawn into `size` at the device pixel ratio `dpr`: stretched, or
// centred with its proportions kept. Drawn once per picture and size and
// then shared: parsing and drawing the picture on every paint cost frames.
QPixmap drawnSvg(const QString& path, const QSize& size, qreal dpr, bool keepProportions,
                 const QByteArray& contents = {});

// A flat button that shows one named image scaled into its bounds, with a
// soft hover wash. Swapping the name swaps the picture.
class ImageButton : public QAbstractButton {
    Q_OBJECT
  public:
    explicit ImageButton(const QString& imageName = {}, QWidget* parent = nullptr);
    QString imageName() const { return imageName_; }
    void setImageName(const QString& name);
    // Image drawn while the pointer is over the button; empty: the normal one.
    void setHoverImageName(const QString& name);
    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    QString imageName_;
    QString hoverImageName_;
    bool hover_ = false;
};

}  // namespace korvex
