#pragma once

#include <QString>

// What the parameter-block decoders need of a parameter window: a field to
// show a decoded text in, named by the parameter's first register. A window
// ignores the parameters it does not show.
class ParameterFields {
public:
    virtual ~ParameterFields() = default;

    virtual void setFieldText(int reg, const QString& text) = 0;

protected:
    ParameterFields() = default;
    ParameterFields(const ParameterFields&) = default;
    ParameterFields& operator=(const ParameterFields&) = default;
};
