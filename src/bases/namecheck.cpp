#include "bases/namecheck.h"

#include "bases/kyoten.h"
#include "platform/textfile.h"

QString kyotenNameProblem(const QString& name)
{
    if (name.size() > kKyotenNameMax)
        return QStringLiteral("事業所名称は%1文字以内で入力して下さい。").arg(kKyotenNameMax);
    // Characters the code page lacks would come back from the settings file as "?"; line
    // ends and other control characters would break its lines.
    QString bad;
    bool control = false;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const qsizetype n = name[i].isHighSurrogate() && i + 1 < name.size() ? 2 : 1;
        const QString one = name.mid(i, n);
        i += n - 1;
        if (one[0].category() == QChar::Other_Control)
            control = true;
        else if (textfile::decode(textfile::encode(one)) != one && !bad.contains(one))
            bad += one;
    }
    if (control)
        return QStringLiteral("事業所名称に改行などの制御文字は使用できません。");
    if (!bad.isEmpty())
        return QStringLiteral("事業所名称に使用できない文字が含まれています。\r\n") + bad;
    return {};
}

QString kyotenNameTakenText()
{
    return QStringLiteral("同じ都道府県に同じ事業所名称の事業所が既に登録されています。\r\n"
                          "別の事業所名称を入力して下さい。");
}

QString kyotenNameTakenProblem(short KyotenCd, short ownEb, const QString& name)
{
    return iKyotenNameCount(KyotenCd, ownEb, name) > 0 ? kyotenNameTakenText() : QString();
}

QString kyotenCommentProblem(const QString& comment)
{
    if (comment.size() > kKyotenCommentMax)
        return QStringLiteral("事業所コメントは%1文字以内で入力して下さい。").arg(kKyotenCommentMax);
    return {};
}
