// The value maps that the update runs write into the drawing: title block values from a
// record's properties and the title attribute map, revision table rows from its revisions.
#include "docdata/docdata.h"

#include <algorithm>
#include <string>

namespace {

// Rows beyond this are not built whatever "autocad.revision.count" says: a revision table
// block has a handful of rows, and a count of millions would only exhaust memory.
constexpr int kMaxRevisionRows = 1000;

}  // namespace

int CDocData::buildTitleBlockValues(const PropertyMap& properties, CMapStringToString& values,
                                    CVoVurSettings& settings) {
    for (const auto& [name, value] : properties) values.SetAt(name.c_str(), value.c_str());

    const CAttAssocList* map = settings.GetAttributeMap();
    for (std::int64_t i = 0; i < map->GetCount(); ++i) {
        const CAttAssoc* assoc = (*map)[i];
        auto property = properties.find(std::wstring(assoc->GetName().view()));
        if (property == properties.end()) continue;
        for (int t = 0; t < assoc->GetTagCount(); ++t)
            values.SetAt(assoc->GetTag(t), property->second.c_str());
    }
    return static_cast<int>(values.GetCount());
}

int CDocData::buildRevisionValues(const DocumentRecord& record, CMapStringToString& values) {
    CString number;
    if (!lookup(record.properties, L"dm_revisionno", number)) return 0;
    const long current = _wtol(number);

    const int count = std::min(getSettingInt(L"autocad.revision.count", 4), kMaxRevisionRows);
    const int first = std::max(getSettingInt(L"autocad.revision.first", 0), 0);
    if (count <= 0) return static_cast<int>(values.GetCount());

    // By default the last count revisions; "first" only moves the window to newer ones.
    const long long n = static_cast<long long>(record.revisions.size());
    const long long start = std::max<long long>(n - count, first);
    for (int row = 0; row < count; ++row) {
        const long long k = start + row;
        CString label, comment, date, user;
        if (k < n) {
            const PropertyMap& revision = record.revisions[static_cast<std::size_t>(k)];
            CString revisionNumber;
            if (!lookup(revision, L"dm_revisionno", revisionNumber)) return 0;
            // Revisions newer than the current one are not shown, nor is anything after them.
            if (_wtol(revisionNumber) > current) break;
            lookup(revision, L"dm_revlabel", label);
            lookup(revision, L"dm_comment", comment);
            lookup(revision, L"dm_statusat", date);
            lookup(revision, L"dm_statusby", user);
        }
        CString key;
        key.Format(L"dm_rev_label_%d", row);
        values.SetAt(key, label);
        key.Format(L"dm_rev_comment_%d", row);
        values.SetAt(key, comment);
        key.Format(L"dm_rev_date_%d", row);
        values.SetAt(key, date);
        key.Format(L"dm_rev_user_%d", row);
        values.SetAt(key, user);
    }
    return static_cast<int>(values.GetCount());
}
