#include "ParameterMap.h"

#include <algorithm>
#include <iterator>

namespace {

using ParameterMap::parameters;

constexpr int lastRegister(const MeterParameter& parameter) {
    return parameter.reg + registerCount(parameter.form) - 1;
}

constexpr bool inOneParameterBlock(const MeterParameter& parameter) {
    return std::ranges::any_of(parameterBlocks, [&](ReplyKind kind) {
        return layoutOf(kind).holds(parameter.reg) && layoutOf(kind).holds(lastRegister(parameter));
    });
}

// A mistyped register fails the build: the parameters stand in register
// order, none overlaps the next, each lies within one parameter block and
// a list goes with a form that shows one.
static_assert(std::ranges::all_of(parameters, inOneParameterBlock));
static_assert([] {
    for (std::size_t i = 1; i < std::size(parameters); ++i)
        if (parameters[i].reg <= lastRegister(parameters[i - 1]))
            return false;
    return true;
}());
static_assert(std::ranges::all_of(parameters, [](const MeterParameter& parameter) {
    const bool picked =
        parameter.form == ValueForm::Code16 || parameter.form == ValueForm::CodeLowByte;
    return !picked || !parameter.choices.empty();
}));

} // namespace

QStringList MeterParameter::choiceTexts() const {
    QStringList texts;
    for (const Choice& choice : choices)
        texts << QString::fromUtf16(choice.text);
    return texts;
}

std::optional<QString> MeterParameter::textOf(unsigned code) const {
    for (const Choice& choice : choices) {
        if (choice.code == code)
            return QString::fromUtf16(choice.text);
    }
    if (otherwise)
        return QString::fromUtf16(otherwise);
    return std::nullopt;
}

std::optional<unsigned> MeterParameter::codeOf(QStringView text) const {
    for (const Choice& choice : choices) {
        if (text == QStringView(choice.text))
            return choice.code;
    }
    return std::nullopt;
}

namespace ParameterMap {

std::span<const MeterParameter> inBlock(ReplyKind kind) {
    const ReplyLayout& layout = layoutOf(kind);
    const auto first = std::ranges::find_if(
        parameters, [&](const MeterParameter& parameter) { return layout.holds(parameter.reg); });
    const auto end = std::find_if_not(first, std::end(parameters),
                                      [&](const MeterParameter& p) { return layout.holds(p.reg); });
    return {first, end};
}

} // namespace ParameterMap
