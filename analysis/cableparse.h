/** @file cableparse.h @brief Cable notation: normalisation, model lookup, attribute parsing and core×section matching. */
#pragma once

#include "analysis/vecableattribute.h"

#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>

// One home for the cable notation, shared by the searches and the indexer so
// that the words an entry is indexed under and the words a query asks for are
// cut by the same rules. The cable-model list is lexicon data and comes in as
// an argument.

/// The canonical form of a cable description: full-width forms folded, upper case, Chinese numerals as
/// digits, "×" between core count and section, hyphens between prefix letters,
/// model and core count, the unit mm² removed (zryjv3x2.5 to ZR-YJV-3×2.5).
QString cableFormReplace(const QString& text);
/// The first part of the canonical @p text (cut at "-", "(" to ",", ":", " ",
/// "+", "/", "—", "（", "）") that @p cableModels holds; empty when none does.
QString cableMainAttr(const QString& text, const QStringList& cableModels);
/// cableMainAttr with the models as a set: the same part, found without
/// scanning the models.
QString cableMainAttr(const QString& text, const QSet<QString>& cableModels);
/// The parts of the canonical @p text that the attributes are parsed from,
/// cut at "-", "(" to ",", ":", " ", "+", "—", "（", "）"; no empty part.
QStringList cableParts(const QString& text);

/// The model prefix code that @p part is (ZR, NH, WDZ, ...; N stands for NH),
/// or an empty string.
QString cablePrefixCode(const QString& part);
/// For a voltage @p part (0.6/1KV, 10KV, 380V): the value without the units
/// KV and V, and in @p range whether it is a rated pair; a null string for any
/// other part.
QString cableVoltage(const QString& part, bool* range = nullptr);
/// For a core×section @p part (3×2.5, 3×4×5): true, with the text before the
/// first "×" in @p cores and the text after the last in @p section.
bool cableCoreSection(const QString& part, QString* cores, QString* section);

/// The attributes of the parts of a canonical description whose model is
/// @p model: prefix code, model, cores, sections, voltage and one (core count,
/// section) pair per part.
VeCableAttribute parseCableAttribute(const QStringList& parts, const QString& model);
/// The cable rank of a hit with specification @p spec: 3 plus 1 for every
/// (core count, section) pair of @p attribute that @p spec holds as whole
/// numbers, joined by "×", "*", "x" or "X".
double cableSortValue(const QString& spec, const VeCableAttribute& attribute);
/// cableSortValue against @p attribute for any number of specifications, its
/// patterns built once. The function keeps match state: one thread only.
std::function<double(const QString&)> cableSortValuer(const VeCableAttribute& attribute);
