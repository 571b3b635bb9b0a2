#pragma once

#include <QImage>
#include <QWidget>
#include <vector>

// The template of the log windows: a window of the stored size and its five 16 x 16 images, each
// a centred 8 x 8 square on white (grey, blue, green, magenta, red).
class TfmShablon : public QWidget {
  Q_OBJECT
public:
  explicit TfmShablon(QWidget* owner = nullptr);

  // Called whenever the window changes size; does nothing here.
  virtual void Resize() {}

  const std::vector<QImage>& GetRunImages() const { return RunImages; }

protected:
  void resizeEvent(QResizeEvent* event) override;

  std::vector<QImage> RunImages;
};
