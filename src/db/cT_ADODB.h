#pragma once

#include "db/adoconst.h"
#include "db/provider.h"
#include "settings/fieldvalue.h"

#include <QString>
#include <memory>

// A result set owned by the calling procedure: forward-only, read-only.
class Recordset
{
public:
    bool isOpen() const { return open_; }
    // The end-of-file flag: true when no current row remains.
    bool eof() const { return !open_ || row_ >= data_.rows.size(); }
    void moveNext();
    // The field of the current row by column name, without regard to letter case; null
    // when there is no such column or no current row.
    FieldValue field(const QString& column) const;
    FieldValue field(QLatin1String column) const;
    // The field by position in the select list.
    FieldValue field(int index) const;
    // The same without a copy, for loops over many rows; a null value when there is no such
    // field, valid until the next call on this recordset.
    const FieldValue& fieldAt(int index) const;
    // The fields of the current row in the order of the select list (none at the end).
    const std::vector<FieldValue>& currentRow() const;
    int fieldCount() const { return int(data_.columns.size()); }
    // The name of a column of the select list, and the number of rows read.
    QString columnName(int index) const { return data_.columns.value(index); }
    size_t rowCount() const { return data_.rows.size(); }
    void close();
    // The client-side cursor location (ado::adUseClient) is accepted; rows are always
    // read whole.
    void setCursorLocation(long location) { cursorLocation_ = location; }
    long cursorLocation() const { return cursorLocation_; }

private:
    friend class cT_ADODB;
    db::ResultSet data_;
    size_t row_ = 0;
    bool open_ = false;
    long cursorLocation_ = ado::adUseServer;
};

// The one door to the database: one connection, the suite's status results (0 / -1) and
// failure texts.
class cT_ADODB
{
public:
    cT_ADODB();
    ~cT_ADODB();
    cT_ADODB(const cT_ADODB&) = delete;
    cT_ADODB& operator=(const cT_ADODB&) = delete;

    QString sErrMsg;

    short iInit(const QString& sConnectionString);
    static QString csGetComputerName();
    void vAddAdoErrorLog(QString& csDstErrString);
    short iConnect();
    short iDisConnect();
    short iOpenRecSet(Recordset& tbSrc, const QString& csSql, long enmCursorType = ado::adOpenForwardOnly,
                      long enmLockType = ado::adLockReadOnly, long enmCommandType = ado::adCmdText);
    short iExecSQL(const QString& csSql, long* nKousinRecSuu = nullptr);
    short iBeginTrans();
    short iCommitTrans();
    short iRollback();
    short iSetTimeout(short iTime);

    // Connection state: ado::adStateClosed or ado::adStateOpen.
    long state() const;
    int commandTimeout() const { return timeout_; }

private:
    struct Connection; // the connection object: provider connection and error list
    std::unique_ptr<Connection> conn_;
    QString connectionString_;
    int timeout_ = 30;
    bool inTransaction_ = false;
};
