#pragma once

#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>

class QLabel;
class QThread;

// Reads a picture file decoded straight at the size it is shown at (a label that scales
// its contents): a full-screen JPEG then costs a fraction of its full decode and memory.
// A picture smaller than the size, or an empty size, is read as it is. Null when the file
// cannot be read.
QImage readPictureAt(const QString& nativeFile, const QSize& size);

// Reads a picture beside the window and hands it to the label when it is read, so that the
// window is ready before its pictures are. Owned by the label; waits for the reading when
// the label goes.
class PictureReader : public QObject
{
    Q_OBJECT
public:
    explicit PictureReader(QLabel* label);
    ~PictureReader() override;
    // Starts reading; a reading under way is finished first.
    void start(const QString& nativeFile, const QSize& size);

signals:
    void pictureRead(const QImage& picture);

private:
    void finish();
    QThread* thread_ = nullptr;
};
