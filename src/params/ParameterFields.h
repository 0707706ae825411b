#pragma once

#include <QString>

// What the parameter-block decoders need of a parameter window: a field to
// show a decoded text in. Fields are named by the full window's caption;
// a window that labels a field otherwise, or keeps it out of sight, maps
// the name itself and ignores the captions it does not show.
class ParameterFields {
public:
    virtual ~ParameterFields() = default;

    virtual void setFieldText(const QString& caption, const QString& text) = 0;

protected:
    ParameterFields() = default;
    ParameterFields(const ParameterFields&) = default;
    ParameterFields& operator=(const ParameterFields&) = default;
};
