#ifndef TESTS_SUPPORT_FIGURE_CHECKS_H
#define TESTS_SUPPORT_FIGURE_CHECKS_H

#include "card/card_faults.h"
#include "check/offscreen_check.h"
#include "check/run_recorder.h"
#include "history/check_journal.h"
#include "tests/support/card_rig.h"
#include "tests/support/test_window.h"

// A small history of real checks of simulated cards, on the virtual clock, whose figures are
// counted by hand: a pass; a fail then a pass of one card; a broken wire, crossed wires, a card
// that does not answer and an analog fault; a check cut short; and the analog test alone.
//   checks 8: passed 3 (A1, A2, A7), failed 4, interrupted 1; cards 7
//   yields over A1..A5: first pass A1 (1/5), final A1 and A2 (2/5)
//   connections: input 3 twice (broken once, crossed once), input 5 once (crossed), analog input 4
//   once, the card not answering once
//   analog readings: 4 per input (A1, A2's pass, A5, A7), one of input 4 out of range
inline void makeFigureChecks(const QString& historyPath, const QString& station) {
    struct Made {
        const char* card;
        const char* fault;  // empty for none
        CheckKind kind;
        bool cutShort;
    };
    const Made checks[] = {
        {"A1", "", CheckKind::Sequence, false},        {"A2", "roto:3", CheckKind::Sequence, false},
        {"A2", "", CheckKind::Sequence, false},        {"A3", "cruzados:3,5", CheckKind::Sequence, false},
        {"A4", "ausente", CheckKind::Sequence, false}, {"A5", "analogica:4=230", CheckKind::Sequence, false},
        {"A6", "", CheckKind::Sequence, true},         {"A7", "", CheckKind::Analog, false},
    };
    PictureFolder pictures;
    for (const Made& made : checks) {
        CardFaults faults;
        if (*made.fault) addFault(faults, QString::fromLatin1(made.fault));
        CardRig rig(faults);
        CheckJournal journal(historyPath, {QString::fromLatin1(made.card), CheckMode::Batch, {}, {}, station},
                             [](const QString&) {});
        OffscreenCheck check(rig.card, rig.clock, pictures.path(), {});
        keepInJournal(check.recorder(), journal);
        bool ended = false;
        QObject::connect(&check, &OffscreenCheck::ended, [&ended] { ended = true; });
        check.start(made.kind);
        if (made.cutShort) {
            rig.clock.advance(3000);
            check.stop();
        }
        rig.clock.runUntil([&ended] { return ended; });
        journal.flush();
    }
}

#endif
