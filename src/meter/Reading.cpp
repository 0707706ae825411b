#include "Reading.h"

void Reading::update(const Reading& newer) {
    for (const ReadingValue& value : readingValues) {
        if (newer.*value.member)
            this->*value.member = newer.*value.member;
    }
    if (newer.time.isValid())
        time = newer.time;
}
