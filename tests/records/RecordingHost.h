#pragma once

#include "records/RecordsHost.h"

#include <QStringList>

namespace rentabo {

// A main window as the record windows see it, keeping what they asked of it. Base is the host
// interface the windows under test take (RecordsHost or one derived from it).
template <typename Base>
class RecordingHostOf : public Base {
public:
    QString nameBoxText() const override { return nameBox; }
    void focusNameBox() override { ++nameFocused; }
    void ShowInfoPanel(int on) override { infoPanel.push_back(on); }
    void message(const QString& text, const QString& caption) override { messages << caption + u'|' + text; }
    bool openDocument(const QString& path) override {
        opened << path;
        return openWorks;
    }

    QString nameBox = QStringLiteral(u"くく はじめ");
    int nameFocused = 0;
    std::vector<int> infoPanel;
    QStringList messages;
    QStringList opened;
    bool openWorks = true;
};

using RecordingHost = RecordingHostOf<RecordsHost>;

}  // namespace rentabo
