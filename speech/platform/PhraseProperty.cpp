#include "speech/platform/SpSharedRecoContext.h"

namespace rentabo {

namespace {
const PhraseProperty* findByName(const std::vector<PhraseProperty>& list, const QString& name) {
    for (const auto& p : list)
        if (p.name.compare(name, Qt::CaseInsensitive) == 0) return &p;
    return nullptr;
}
}  // namespace

QString GetPropertyValue(const RecoResult& result, const QString& name, const QString& child) {
    const PhraseProperty* p = findByName(result.properties, name);
    if (!p) return {};
    if (child.isEmpty()) return p->value;
    const PhraseProperty* c = findByName(p->children, child);
    return c ? c->value : QString();
}

}  // namespace rentabo
