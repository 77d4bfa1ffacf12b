// Extended entity data: an owning wrapper for result-buffer chains, the data of one registered
// application on one object, and the symbol-table look-ups that make sure the application name
// is registered. The module only reads extended data.
#pragma once

#include <adsdef.h>
#include <afx.h>
#include <dbmain.h>
#include <dbsymtb.h>

class CResbuf {
  public:
    // Takes over chain (null: empty). A borrowed chain belongs to someone else and is never
    // released by this object.
    explicit CResbuf(resbuf* chain = nullptr, bool borrowed = false);
    virtual ~CResbuf();
    CResbuf(const CResbuf&) = delete;
    CResbuf& operator=(const CResbuf&) = delete;

    // Releases the held chain (unless borrowed) and takes chain instead; the borrowed flag
    // stays as it is.
    void attach(resbuf* chain);
    // Releases the held chain (unless borrowed); an owned chain leaves the head null.
    void release();
    // The string of the first item with that group code, walked from the head; false (value
    // unchanged) when there is none.
    bool getString(CString& value, short groupCode) const;

    resbuf* head() const { return m_head; }
    resbuf* current() const { return m_current; }
    bool isBorrowed() const { return m_borrowed != 0; }

    // Frees a chain whose strings were allocated with malloc and binary chunks with new[].
    static void freeChain(resbuf* chain);

  private:
    resbuf* m_head;
    resbuf* m_current;
    int m_borrowed;
};

class CAppXdata {
  public:
    // Registers appName in the working drawing when it is not registered there yet.
    explicit CAppXdata(const wchar_t* appName);
    virtual ~CAppXdata();
    CAppXdata(const CAppXdata&) = delete;
    CAppXdata& operator=(const CAppXdata&) = delete;

    // Replaces the data by object's extended data of the application; empty (head null) when
    // the object has none or object is null.
    void read(const AcDbObject* object);

    const CResbuf& data() const { return m_data; }
    const wchar_t* appName() const;

  private:
    CResbuf m_data;
    resbuf* m_header;
};

// Opens the symbol table that holds records of recordClass (exact class) in mode; db null
// means the working database (none: null, nothing printed). An unsupported class and a table
// that does not open are reported; the result is then null. The caller closes the table.
AcDbSymbolTable* openSymbolTable(AcRxClass* recordClass, AcDb::OpenMode mode,
                                 AcDbDatabase* db = nullptr);
// True when the table for recordClass holds a record of that name (erased ones not counted).
bool hasSymbolRecord(AcRxClass* recordClass, const wchar_t* name, AcDbDatabase* db = nullptr);
