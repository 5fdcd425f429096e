#pragma once

#include <QJsonValue>
#include <QString>

// What one field of a parameter set holds, as its layout describes it: how
// its value is shown and set, and whether a person may set it at all.

enum class FieldKind {
    Text, // Windows-1251 text of at most size bytes
    Lines, // a receipt text block: lines of one text of at most size bytes
    Integer, // an integer of size bytes in the image, signed or not
    Amount, // money: value x 10000, entered with at most 2 decimals
    Quantity, // value x 10000, entered with at most 3 decimals
    Digits, // packed decimal digits, at most size of them
    Barcode, // packed digits (size of them) read with their GS1 check digit
    DateTime, // "yyyy-MM-dd HH:mm", kept to the minute
    Bytes, // size bytes shown as hex
};

enum class FieldRole {
    Setting, // what the tabs and korvant-cli set edit
    Kept, // carried for the firmware, never changed by the program
    Identity, // identifies the register: never copied or set
};

struct FieldInfo
{
    FieldKind kind = FieldKind::Text;
    FieldRole role = FieldRole::Setting;
    int size = 0; // bytes (Text, Lines, Integer, Bytes) or digits (Digits, Barcode)
    bool isSigned = false; // Integer

    bool settable() const { return role == FieldRole::Setting; }
    // Decimals a value may be entered with (Amount 2, Quantity 3, else 0).
    int decimals() const;
    // Short Russian description for listings: "текст до 12 байт", "целое int8", ...
    QString describe() const;
};

// One value of a parameter set by its path ("users[3].name"), as korvant-cli
// show prints it. A receipt text block gives one value a line.
struct ParamValue
{
    QString path;
    FieldInfo info;
    QString text; // exact, in the form setValue() takes
    QJsonValue json; // as show prints it: texts as strings, amounts as numbers, bytes as hex
};

// Walks a parameter set record by record in the order show prints it.
class ParamsVisitor
{
public:
    virtual ~ParamsVisitor() = default;
    // key is empty for the elements of an array.
    virtual void beginObject(const QString &key) = 0;
    virtual void endObject() = 0;
    virtual void beginArray(const QString &key) = 0;
    virtual void endArray() = 0;
    virtual void value(const QString &key, const ParamValue &value) = 0;
};
