#pragma once

#include <QString>
#include <vector>

class cT_ADODB;

// One row of PARKING. A new record holds 0 and empty texts.
class cD_PARKING
{
public:
    qint32 iKyotenCd = 0;
    qint32 iKyotenEb = 0;
    qint32 nIDNo = 0;
    QString cParkingName;
    qint32 iType = 0;
    QString cYubinNo;
    QString cAddress1;
    qint32 nLat = 0;
    qint32 nLon = 0;
    QString cBikou;
    qint32 iDelFlg = 0;
    QString cPcName;
    QString tUpDateTime;
};

// Reads parking places of the record base (giRecKyotenCd, giRecKyotenEb) on a connection
// its caller opened. It never connects, disconnects or shows a message: failures come back
// as -1 with the text in sErrMsg.
class cT_PARKING
{
public:
    QString sErrMsg;
    qint32 nデータ数 = 0;

    short iInit(cT_ADODB* cADO);
    // cData is the query pattern: nIDNo above -1 selects that place only, -1 every place.
    short iDataRead(const cD_PARKING* cData);
    // The record at nIdx (0-based, below nデータ数).
    cD_PARKING& clsPARKING(qint32 nIdx) { return records_[size_t(nIdx)]; }

    // The statement iDataRead sends for the pattern.
    static QString sqlDataRead(const cD_PARKING& cData);

private:
    cT_ADODB* db_ = nullptr;
    std::vector<cD_PARKING> records_;
};
