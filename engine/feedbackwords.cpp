#include "engine/feedbackwords.h"

namespace FeedbackWords {

namespace {

// Marked for the translation files; the words themselves are what the broker carries.
const char *const InitWords[] = {QT_TRANSLATE_NOOP("FeedbackWords", "not initialised"),
                                 QT_TRANSLATE_NOOP("FeedbackWords", "initialised"),
                                 QT_TRANSLATE_NOOP("FeedbackWords", "initialising")};
const char *const HomeWords[] = {QT_TRANSLATE_NOOP("FeedbackWords", "not homed"),
                                 QT_TRANSLATE_NOOP("FeedbackWords", "homed"),
                                 QT_TRANSLATE_NOOP("FeedbackWords", "homing")};
const char *const GripWords[] = {QT_TRANSLATE_NOOP("FeedbackWords", "moving"),
                                 QT_TRANSLATE_NOOP("FeedbackWords", "arrived"),
                                 QT_TRANSLATE_NOOP("FeedbackWords", "caught an object"),
                                 QT_TRANSLATE_NOOP("FeedbackWords", "object dropped")};
const char *const MotionWords[] = {QT_TRANSLATE_NOOP("FeedbackWords", "moving"),
                                   QT_TRANSLATE_NOOP("FeedbackWords", "arrived"),
                                   QT_TRANSLATE_NOOP("FeedbackWords", "met an object while pushing"),
                                   QT_TRANSLATE_NOOP("FeedbackWords", "push band ended without an object")};
const char *const RotationWords[] = {QT_TRANSLATE_NOOP("FeedbackWords", "moving"),
                                     QT_TRANSLATE_NOOP("FeedbackWords", "arrived")};

struct Words
{
    const char *const *words;
    int count;
};

template <int N>
constexpr Words of(const char *const (&words)[N])
{
    return {words, N};
}

Words wordsOf(Table table)
{
    switch (table) {
    case Table::Initialisation: return of(InitWords);
    case Table::Homing: return of(HomeWords);
    case Table::GripState: return of(GripWords);
    case Table::MotionState: return of(MotionWords);
    case Table::RotationState: return of(RotationWords);
    }
    return {nullptr, 0};
}

} // namespace

int count(Table table)
{
    return wordsOf(table).count;
}

const char *word(Table table, qint64 value)
{
    const Words w = wordsOf(table);
    return value >= 0 && value < w.count ? w.words[value] : nullptr;
}

} // namespace FeedbackWords
