#include "state/state.h"

#include <utility>

namespace
{
State& instance()
{
    static State s;
    return s;
}
} // namespace

State& state()
{
    return instance();
}

void resetState()
{
    instance() = State{};
}

const std::array<QString, 48>& gsPrefName()
{
    static const std::array<QString, 48> names = {
        QString(),
        QStringLiteral("北海道"),
        QStringLiteral("青森"),
        QStringLiteral("岩手"),
        QStringLiteral("宮城"),
        QStringLiteral("秋田"),
        QStringLiteral("山形"),
        QStringLiteral("福島"),
        QStringLiteral("茨城"),
        QStringLiteral("栃木"),
        QStringLiteral("群馬"),
        QStringLiteral("埼玉"),
        QStringLiteral("千葉"),
        QStringLiteral("東京"),
        QStringLiteral("神奈川"),
        QStringLiteral("新潟"),
        QStringLiteral("富山"),
        QStringLiteral("石川"),
        QStringLiteral("福井"),
        QStringLiteral("山梨"),
        QStringLiteral("長野"),
        QStringLiteral("岐阜"),
        QStringLiteral("静岡"),
        QStringLiteral("愛知"),
        QStringLiteral("三重"),
        QStringLiteral("滋賀"),
        QStringLiteral("京都"),
        QStringLiteral("大阪"),
        QStringLiteral("兵庫"),
        QStringLiteral("奈良"),
        QStringLiteral("和歌山"),
        QStringLiteral("鳥取"),
        QStringLiteral("島根"),
        QStringLiteral("岡山"),
        QStringLiteral("広島"),
        QStringLiteral("山口"),
        QStringLiteral("徳島"),
        QStringLiteral("香川"),
        QStringLiteral("愛媛"),
        QStringLiteral("高知"),
        QStringLiteral("福岡"),
        QStringLiteral("佐賀"),
        QStringLiteral("長崎"),
        QStringLiteral("熊本"),
        QStringLiteral("大分"),
        QStringLiteral("宮崎"),
        QStringLiteral("鹿児島"),
        QStringLiteral("沖縄"),
    };
    return names;
}

namespace
{
// At least two digits, a leading zero below 10. The base list builds this for every base
// at start, so it avoids the heavier QString::arg.
QString twoDigits(int n)
{
    return n >= 0 && n < 10 ? QLatin1Char('0') + QString::number(n) : QString::number(n);
}
} // namespace

QString prefectureRegion(int code)
{
    // The eight regions by their last prefecture code; Okinawa belongs to Kyushu.
    static const std::pair<int, const char16_t*> regions[] = {
        {1, u"北海道地方"}, {7, u"東北地方"},  {14, u"関東地方"}, {23, u"中部地方"},
        {30, u"近畿地方"},  {35, u"中国地方"}, {39, u"四国地方"}, {47, u"九州地方"}};
    if (code < 1 || code > 47)
        return {};
    for (const auto& [last, name] : regions) {
        if (code <= last)
            return QString::fromUtf16(name);
    }
    return {};
}

QString baseId(int kyotenCd, int kyotenEb)
{
    return twoDigits(kyotenCd) + twoDigits(kyotenEb);
}
