#pragma once

#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

// The report engine: a job read from the command file WfdCom.dat, the layout files it
// names (format in LAYOUT.txt) and their CSV data.
namespace wfr
{

struct DataSource {
    QString name;
    QString path;       // as the command file writes it (the suite's form)
    bool titles = true; // the first record holds the column titles
};

// One report of a job: its layout and the data it is filled from.
struct Report {
    QString layout;
    std::vector<DataSource> data;
};

enum class Output { None, Preview, Print, PrintDialog };

struct Job {
    QString title;
    std::vector<Report> reports; // one, or several from a combined layout
    // Combination jobs (setTitle / setreport / AddReport) build a combined layout.
    bool combination = false;
    double offsetX = 0; // 0.1 mm
    double offsetY = 0;
    int zoom = 2;
    int repeatStart = 0;
    QString paper; // A4, A5, B5; empty: the layout's own
    std::vector<std::pair<QString, QString>> items;
    Output output = Output::None;
};

// What a job may read and make. Anything beyond is refused with a message that names the
// limit, before any output is started: a file named by mistake (a device, a disk image)
// must not fill the memory or keep the engine busy for hours.
constexpr qint64 kMaxCommandBytes = 1 << 20;
constexpr qint64 kMaxLayoutBytes = 1 << 20;
constexpr qint64 kMaxDataBytes = 16 << 20;
constexpr qint64 kMaxPictureBytes = 32 << 20;
constexpr qint64 kMaxJobBytes = 64 << 20; // layouts and data of one job together
constexpr qint64 kMaxJobFields = 2000000; // fields of all data of one job
constexpr int kMaxReports = 1000;
constexpr int kMaxDataPerReport = 10;
constexpr int kMaxPages = 10000;

// Reads a whole file of a job: only a regular file of at most `limit` bytes. On failure
// *error names what failed (`kind`: "帳票データ", ...) and the file.
bool readJobFile(const QString& path, const QString& kind, qint64 limit, QByteArray* bytes, QString* error);
// The same check without reading (a picture, read while painting).
bool checkJobFile(const QString& path, const QString& kind, qint64 limit, QString* error);

// Reads WfdCom.dat. A FileName that names a combined layout brings its reports.
bool readCommandFile(const QString& path, Job* job, QString* error);
// Writes the combined layout of a combination job (its reports with their data).
bool writeCombinedLayout(const QString& path, const Job& job, QString* error);

// A path of the command file or a layout in this system's form.
QString localPath(const QString& suitePath);

struct Csv {
    QString path;
    QStringList columns;
    std::vector<QStringList> rows; // a record shorter than the titles lacks the last fields
    qint64 bytes = 0;
    qint64 fields = 0;
    int column(const QString& name) const { return int(columns.indexOf(name)); }
};
// Reads CSV data in CP932: quoted fields may hold commas, quotes ("") and line ends.
// Without titles the columns are named 1, 2, 3, ...
bool readCsv(const QString& path, bool titles, Csv* csv, QString* error);

// Splits a line of the layout format into words: blanks separate, "..." groups (with ""
// for a quote inside).
QStringList words(const QString& line);

} // namespace wfr
