#include "launcher/picture.h"

#include <QImageReader>
#include <QLabel>
#include <QPixmap>
#include <QThread>

QImage readPictureAt(const QString& nativeFile, const QSize& size)
{
    QImageReader reader(nativeFile);
    const QSize full = reader.size();
    if (size.isValid() && full.isValid() && (full.width() > size.width() || full.height() > size.height()))
        reader.setScaledSize(size);
    return reader.read();
}

PictureReader::PictureReader(QLabel* label) : QObject(label)
{
    connect(this, &PictureReader::pictureRead, label,
            [label](const QImage& picture) { label->setPixmap(QPixmap::fromImage(picture)); });
}

PictureReader::~PictureReader()
{
    finish();
}

void PictureReader::start(const QString& nativeFile, const QSize& size)
{
    finish();
    thread_ = QThread::create([this, nativeFile, size] {
        const QImage picture = readPictureAt(nativeFile, size);
        if (!picture.isNull())
            emit pictureRead(picture);
    });
    thread_->start(QThread::LowPriority);
}

void PictureReader::finish()
{
    if (thread_) {
        thread_->wait();
        delete thread_;
        thread_ = nullptr;
    }
}
