// What the PDM system says about one open drawing: the properties, revisions, relations and
// bill-of-materials data of its companion file (NAME.qdx), the settings file that the companion
// file names and the module settings read from it. One CDocData per open document; the update
// runs that write this data into the drawing are operations of the same class.
#pragma once

#include <afx.h>

#include <cstdint>
#include <vector>

#include "docdata/property_map.h"
#include "settings/vovursettings.h"

class AcDbDatabase;
class TiXmlText;

class CDocData {
  public:
    // Empty and not managed; the settings are constructed but not loaded.
    CDocData();
    CDocData(const CDocData&) = delete;
    CDocData& operator=(const CDocData&) = delete;

    virtual ~CDocData();

    // Reads the companion file of the drawing (its path with the extension ".qdx") and, when it
    // names one, the settings file. 0 when db or drawingPath is null or the path is empty
    // (nothing changed), else 1 - whether or not the drawing turned out managed (isManaged).
    // The flags are not used. A second load adds to the lists and keeps first values.
    virtual int load(AcDbDatabase* db, const wchar_t* drawingPath, int, int);
    // Stores the text of the "config" element as the settings file path and loads the settings
    // from it. 0 (nothing done) when not managed or node is null, else 1.
    virtual int applyConfig(TiXmlText* node);

    // Writes record's values into the title blocks of one layout (null or empty: all layouts).
    virtual int updateLayoutTitleBlocks(const DocumentRecord& record, const wchar_t* layoutName,
                                        CVoVurSettings& settings, AcDbDatabase* db, int page,
                                        int pages);
    // The update run of a drawing load.
    virtual int updateAllTitleBlocks(AcDbDatabase* db);
    virtual int updateAllLayouts(AcDbDatabase* db);
    // Fills values with every property (ascending name order), then every tag entry of every
    // title association whose property the map holds. Returns the number of entries.
    virtual int buildTitleBlockValues(const PropertyMap& properties, CMapStringToString& values,
                                      CVoVurSettings& settings);
    virtual int updateRevisionTable(const DocumentRecord& record, const wchar_t* layoutName,
                                    CVoVurSettings& settings, AcDbDatabase* db);
    // Fills values with the revision rows "dm_rev_label_%d", "dm_rev_comment_%d",
    // "dm_rev_date_%d", "dm_rev_user_%d". Returns the number of entries; 0 when the record or a
    // shown revision has no "dm_revisionno".
    virtual int buildRevisionValues(const DocumentRecord& record, CMapStringToString& values);

    virtual void setPath(const wchar_t* path);
    virtual CString getPath() const;
    virtual int isManaged() const;
    // Managed, and "dm_major" >= 1 with "dm_minor" == 0.
    virtual bool isMajorVersion() const;
    virtual CVoVurSettings& getSettings();
    // From "dm_vartype": dm_variant 1, dm_flexible 2, dm_layout 3 (letter case ignored), else 0.
    virtual int getVariantType() const;
    // Finds the relation titled "<dm_title>/<suffix>" (letter case ignored) and copies it into
    // record. False, record unchanged, when the document has no title or no relation matches.
    virtual bool findRelation(DocumentRecord& record, const wchar_t* suffix) const;
    // Value of a settings property; def (null: empty) when absent. A present empty value stays
    // empty.
    virtual CString getSetting(const wchar_t* name, const wchar_t* def) const;
    // Numeric settings: the default when absent, else the value's leading decimal number
    // (0 when it has none).
    virtual int getSettingInt(const wchar_t* name, int def) const;
    virtual LONG getSettingLong(const wchar_t* name, LONG def) const;
    // Empties value; true with the value when map holds name (exact, letter case counting).
    virtual bool lookup(const PropertyMap& map, const wchar_t* name, CString& value) const;
    virtual bool getDocProperty(const wchar_t* name, CString& value) const;

    // Read-only views of the model (not operations of the class).
    const PropertyMap& settingsProperties() const { return m_settingsProperties; }
    const DocumentRecord& document() const { return m_document; }
    const std::vector<DocumentRecord>& relations() const { return m_relations; }
    const PropertyMap& bomHead() const { return m_bomHead; }
    const std::vector<PropertyMap>& bomPositions() const { return m_bomPositions; }
    const CString& configPath() const { return m_configPath; }

  private:
    CString m_path;
    std::int32_t m_managed = 0;
    PropertyMap m_settingsProperties;
    DocumentRecord m_document;
    std::vector<DocumentRecord> m_relations;
    PropertyMap m_bomHead;
    std::vector<PropertyMap> m_bomPositions;
    CString m_configPath;
    CVoVurSettings m_settings;
};
