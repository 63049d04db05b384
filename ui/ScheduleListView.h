#pragma once

#include "framework/ListBox.h"
#include "framework/Static.h"
#include "record/EventRecord.h"
#include "schedule/Clock.h"
#include "schedule/ScheduleList.h"
#include "ui/ListBoxMirror.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

// The list box of entry names, the selected entry's rule under it, and the
// list commands on them: add, edit and delete through the editor, and a move
// by the up-down control. Each command ends with `done`, told how the list
// changed, if it did: the change and the entry's name.
class CScheduleListView {
public:
    // Names are shown up to this many characters: as many as the editor
    // takes. Only a hand-made file holds longer names; they keep their bytes
    // but show cut.
    static constexpr std::size_t kShownNameChars = 32767;

    struct Change {
        CEventRecord::Change kind;
        std::string name; // CP932, as kept
    };

    // `edit` runs the editor on an entry and is true after OK.
    CScheduleListView(ScheduleList& list, CListBox& box, CStatic& rule, IClock& clock,
                      std::function<bool(CScheduleItem&)> edit,
                      std::function<void(const std::optional<Change>&)> done)
        : m_list(list), m_box(box), m_rule(rule), m_clock(clock), m_edit(std::move(edit)),
          m_done(std::move(done)) {}

    // The box shows the list again, the selection kept where it can be.
    void Refresh();
    // The rule line shows the selected entry's.
    void UpdateRule();
    void Add();
    void Edit();
    // No confirmation: the entry goes at once.
    void Delete();
    // The up-down control: -1 up, 1 down.
    void Move(int delta);

private:
    void Done(std::optional<Change> change);

    ScheduleList& m_list;
    CListBox& m_box;
    CStatic& m_rule;
    IClock& m_clock;
    std::function<bool(CScheduleItem&)> m_edit;
    std::function<void(const std::optional<Change>&)> m_done;
    CListBoxMirror m_mirror;
};
