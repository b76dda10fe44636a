#pragma once

#include "storage/KeyFile.h"

#include <QString>
#include <QStringList>

#include <vector>

class QWidget;

// Access to one key file: set Path, Section, Key (and Default), then read or assign Value.
// Every access goes to the file; nothing is cached.
class cInifile {
public:
    long LastReturnCode() const { return m_lastReturnCode; }
    bool Success() const { return m_lastReturnCode != 0; }

    void setDefault(const QString& value) { m_default = value; }
    QString Default() const { return m_default; }
    void setPath(const QString& value) { m_path = value; }
    QString Path() const { return m_path; }
    void setKey(const QString& value) { m_key = value; }
    QString Key() const { return m_key; }
    void setSection(const QString& value) { m_section = value; }
    QString Section() const { return m_section; }

    // The value of Key in Section, cut to 254 characters; Default when the file, section or key is missing.
    QString Value() const;
    // Writes Key = value in Section; characters with code 0 are removed first, from the caller's text too.
    void setValue(QString& value);
    void setValue(const QString& value);
    // Every key of Section with its value (cut as Value cuts it), in file order, in one read.
    std::vector<keyfile::Entry> SectionEntries() const;
    // Writes several keys of Section in one write, as setValue does for one.
    void setValues(std::vector<keyfile::Entry> keyValues);
    // Writes keys of several sections in one write, whatever Section is; all or none of them are written.
    void setSectionValues(std::vector<keyfile::SectionEntries> sections);

    void DeleteKey();
    void DeleteSection();
    // The key names of Section, each followed by a character 0.
    QString INISection() const;
    // Writing a section with no key removes it.
    void setINISection(const QString& value);
    // The section names of the file, each followed by a character 0.
    QString Sections() const;
    void EnumerateCurrentSection(QStringList& keys, long& count) const;
    void EnumerateAllSections(QStringList& sections, long& count) const;
    // Keys "Maximised", "Left", "Top", "Width", "Height" of Section; positions and sizes in twips.
    void SaveFormPosition(QWidget* window);
    // Minimums in twips. The window is kept on its screen.
    void LoadFormPosition(QWidget* window, int minWidth = 0, int minHeight = 0);
    // The text as a whole number (decimal, a fraction rounds to the nearest); fallback when it is not one.
    static long CLngDefault(const QString& text, long fallback = 0);

private:
    QString m_path;
    QString m_key;
    QString m_section;
    QString m_default;
    long m_lastReturnCode = 0;
};
