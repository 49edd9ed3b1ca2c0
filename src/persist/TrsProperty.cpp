#include "persist/TrsProperty.h"

#include <algorithm>

namespace {
const QString kDefaultParams = QStringLiteral("EPD");
const QString kTypeLetters = QStringLiteral("PCUV");
const QString kStateLetters = QStringLiteral("DRW");
} // namespace

QString TrsProperty::Params() const
{
    QString params;
    params += Enabled ? u'E' : u'D';
    params += kTypeLetters[int(PropType)];
    params += kStateLetters[int(State)];
    if (StoreEncrypted)
        params += u'C';
    return params;
}

void TrsProperty::ResetParams()
{
    Enabled = true;
    PropType = ptPublished;
    State = psNormal;
    StoreEncrypted = false;
}

void TrsProperty::SetParams(const QString& params)
{
    if (params.isEmpty()) {
        ResetParams();
        return;
    }
    Enabled = params[0] == u'E';
    if (params.size() < 2) {
        PropType = ptPublished;
    } else if (const qsizetype type = kTypeLetters.indexOf(params[1]); type >= 0) {
        PropType = TrsPropertyType(type);
    }
    if (params.size() < 3) {
        State = psNormal;
    } else if (const qsizetype state = kStateLetters.indexOf(params[2]); state >= 0) {
        State = TrsPropertyState(state);
    }
    StoreEncrypted = params.size() > 3 && params[3] == u'C';
}

QString TrsProperty::AsString() const
{
    const QString params = Params();
    if (params == kDefaultParams && DefValue.isEmpty() && SubstName.isEmpty())
        return Name;
    QString line = Name + QStringLiteral(",\"") + DefValue + QStringLiteral("\",\"") + SubstName
        + QStringLiteral("\",");
    if (params != kDefaultParams)
        line += params;
    return line;
}

void TrsProperty::SetAsString(const QString& line)
{
    QString rest = line;
    const qsizetype length = rest.size();
    qsizetype paramsLength = 0;
    if (length >= 4 && rest[length - 4] == u',')
        paramsLength = 3;
    else if (length >= 5 && rest[length - 5] == u',')
        paramsLength = 4;
    if (paramsLength > 0 && !rest.endsWith(u',')) {
        SetParams(rest.right(paramsLength));
        rest.chop(paramsLength);
    } else {
        ResetParams();
    }

    DefValue.clear();
    SubstName.clear();
    if (rest.endsWith(u',')) {
        const qsizetype firstComma = rest.indexOf(u',');
        const qsizetype quotedSeparator = rest.indexOf(QStringLiteral("\",\""));
        qsizetype end = rest.size() - 1; // the final comma
        if (quotedSeparator >= 0 && firstComma < quotedSeparator) {
            const qsizetype substStart = quotedSeparator + 3;
            qsizetype substEnd = end;
            if (substEnd > substStart && rest[substEnd - 1] == u'"')
                --substEnd;
            SubstName = rest.mid(substStart, std::max<qsizetype>(0, substEnd - substStart));
            end = quotedSeparator + 1; // the comma inside the quoted separator
        }
        if (firstComma < end) {
            qsizetype valueStart = firstComma + 1;
            qsizetype valueEnd = end;
            // A lone quote is both the opening and the closing one: an empty value.
            if (valueEnd > valueStart && rest[valueStart] == u'"' && rest[valueEnd - 1] == u'"') {
                ++valueStart;
                --valueEnd;
            }
            DefValue = rest.mid(valueStart, std::max<qsizetype>(0, valueEnd - valueStart));
            rest.truncate(firstComma);
        } else {
            rest.chop(1);
        }
    }
    Name = rest;
}

int ValuesCount(const QString& text)
{
    return text.isEmpty() ? 0 : int(text.count(u',')) + 1;
}

QString ValueByIndex(const QString& text, int index)
{
    if (index < 0)
        return {};
    qsizetype start = 0;
    for (int field = 0; field < index; ++field) {
        const qsizetype comma = text.indexOf(u',', start);
        if (comma < 0)
            return {};
        start = comma + 1;
    }
    const qsizetype comma = text.indexOf(u',', start);
    return text.mid(start, comma < 0 ? -1 : comma - start);
}
