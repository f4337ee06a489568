/** @file vefindermodule.cpp @brief The Python module vefinder: searches, batches and stored fields. */
#include "batchrunner.h"
#include "datalayout.h"
#include "entrylookup.h"
#include "explainobserver.h"
#include "positiontable.h"

#include "engine/vefinder.h"
#include "lexicon/searchutil.h"
#include "segment/datadir.h"
#include "segment/wordsegment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <pybind11/pybind11.h>

#include <dlfcn.h>

#include <climits>
#include <cmath>
#include <exception>
#include <mutex>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-parameter"
#include <CLucene.h>
#pragma GCC diagnostic pop

namespace py = pybind11;

namespace {

QString toQString(const std::string& utf8)
{
    return QString::fromStdString(utf8);
}

/// str() of a Python object.
QString pyText(const py::handle& value)
{
    return toQString(py::str(value).cast<std::string>());
}

py::str toPy(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    return py::str(utf8.constData(), static_cast<size_t>(utf8.size()));
}

[[noreturn]] void raise(PyObject* type, const QString& message)
{
    PyErr_SetString(type, message.toUtf8().constData());
    throw py::error_already_set();
}

/// A path argument: str, bytes or any os.PathLike.
QString pathArgument(const py::handle& value, const char* what)
{
    py::object path;
    try {
        path = py::module_::import("os").attr("fspath")(value);
    } catch (py::error_already_set&) {
        raise(PyExc_TypeError,
              QStringLiteral("%1: expected a path (str or os.PathLike), got %2")
                  .arg(QLatin1String(what), pyText(py::type::of(value).attr("__name__"))));
    }
    if (py::isinstance<py::bytes>(path))
        return QFile::decodeName(QByteArray::fromStdString(path.cast<std::string>()));
    return toQString(path.cast<std::string>());
}

/// A text field of a search: str; None and NaN (pandas' empty cell) are
/// empty; whole numbers (a numeric code column) are written in decimal.
QString textArgument(const py::handle& value, const QString& what)
{
    if (py::isinstance<py::str>(value))
        return toQString(value.cast<std::string>());
    if (value.is_none())
        return QString();
    if (!py::isinstance<py::bool_>(value)) {
        if (py::isinstance<py::float_>(value)) {
            const double number = value.cast<double>();
            if (std::isnan(number))
                return QString();
            if (std::floor(number) == number && std::fabs(number) < 1e15)
                return QString::number(static_cast<qint64>(number));
            return pyText(value);
        }
        if (py::hasattr(value, "__index__"))
            return pyText(py::int_(py::reinterpret_borrow<py::object>(value)));
    }
    raise(PyExc_TypeError,
          QStringLiteral("%1: expected str, got %2")
              .arg(what, pyText(py::type::of(value).attr("__name__"))));
}

void warn(const QString& message)
{
    PyErr_WarnEx(PyExc_UserWarning, message.toUtf8().constData(), 1);
}

/// Raises the exception the command line's message for an index problem
/// stands for; returns when @p path holds an index.
void checkIndex(const QString& path)
{
    const QString problem = DataLayout::indexProblem(path);
    if (problem.isEmpty())
        return;
    const QFileInfo info(path);
    raise(info.exists() && !info.isDir() ? PyExc_NotADirectoryError : PyExc_FileNotFoundError,
          problem);
}

// ---- data directory --------------------------------------------------------

QString s_dataDir; ///< chosen by set_data_dir() or on first use; guarded by the GIL

/// The directory this module was loaded from.
QString moduleDirectory()
{
    Dl_info info;
    if (!dladdr(reinterpret_cast<void*>(&moduleDirectory), &info) || !info.dli_fname)
        return QString();
    return QFileInfo(QFile::decodeName(info.dli_fname)).canonicalPath();
}

/// @p path, or its parent when @p path is a dict/ directory itself.
QString dataDirOf(const QString& path)
{
    const QFileInfo info(path);
    const QString absolute = info.absoluteFilePath();
    if (info.fileName() == QLatin1String("dict")
        && QFileInfo(absolute + QStringLiteral("/MATLEX")).isDir()
        && !QFileInfo(absolute + QStringLiteral("/dict")).exists())
        return info.absolutePath();
    return QDir::cleanPath(absolute);
}

void useDataDir(const QString& dir)
{
    const QStringList missing = DataLayout::missingData(dir);
    if (!missing.isEmpty())
        raise(PyExc_FileNotFoundError, missing.join(QLatin1Char('\n')));
    if (!setVeFinderDataDir(dir))
        raise(PyExc_RuntimeError,
              QStringLiteral("%1: the data have already been read from %2; "
                             "set_data_dir() must come before the first search")
                  .arg(dir, s_dataDir));
    for (const QString& warning : DataLayout::dataWarnings(dir))
        warn(warning);
    s_dataDir = dir;
}

void setDataDir(const py::handle& path)
{
    useDataDir(dataDirOf(pathArgument(path, "set_data_dir")));
}

/// Before the first search: the data directory named by set_data_dir(), else
/// dict/ beside the module (the build tree), else the installed layout.
void ensureDataDir()
{
    if (!s_dataDir.isEmpty())
        return;
    const QString moduleDir = moduleDirectory();
    if (QFileInfo(moduleDir + QStringLiteral("/dict")).isDir())
        return useDataDir(moduleDir);
    const QString installed =
        QDir::cleanPath(moduleDir + QStringLiteral("/" VEFINDER_MODULE_TO_DATA));
    const QStringList missing = DataLayout::missingData(installed);
    if (!missing.isEmpty())
        raise(PyExc_FileNotFoundError,
              missing.join(QLatin1Char('\n'))
                  + QStringLiteral(
                      "\nname the directory that holds dict/ with vefinder.set_data_dir(DIR)"));
    useDataDir(installed);
}

// ---- positions -------------------------------------------------------------

QHash<QString, QString> positionsArgument(const py::handle& value)
{
    QHash<QString, QString> table;
    if (value.is_none())
        return table;
    if (py::isinstance<py::dict>(value) || py::hasattr(value, "items")) {
        for (const py::handle& item : value.attr("items")()) {
            const py::tuple pair = py::reinterpret_borrow<py::tuple>(item);
            const QString matId = textArgument(pair[0], QStringLiteral("positions: mat id"));
            QString position;
            bool ok = false;
            if (py::isinstance<py::str>(pair[1])) {
                position = toQString(pair[1].cast<std::string>()).trimmed();
                position.toULongLong(&ok, 16);
            } else if (!py::isinstance<py::bool_>(pair[1]) && py::hasattr(pair[1], "__index__")) {
                const long long number =
                    py::int_(py::reinterpret_borrow<py::object>(pair[1])).cast<long long>();
                ok = number >= 0;
                position = QString::number(number, 16);
            }
            if (!ok)
                raise(PyExc_ValueError,
                      QStringLiteral("positions: %1: %2 is not a position "
                                     "(a hexadecimal string or a whole number >= 0)")
                          .arg(matId, pyText(py::repr(pair[1]))));
            table.insert(matId, position);
        }
        return table;
    }
    const QString path = pathArgument(value, "positions");
    if (!QFileInfo::exists(path))
        raise(PyExc_FileNotFoundError, QStringLiteral("%1: no such positions file").arg(path));
    QStringList warnings;
    QString error;
    const bool loaded = PositionTable::load(path, &table, &warnings, &error);
    for (const QString& warning : qAsConst(warnings))
        warn(warning);
    if (!loaded)
        raise(PyExc_ValueError, error);
    return table;
}

// ---- results ---------------------------------------------------------------

struct Explained {
    bool found = false;
    QString step;
    double sortValue = 0.0;
};

/// One search's groups and, with explain, how each entry was delivered.
struct SearchResult {
    QList<QStringList> groups;
    QList<QVector<Explained>> explained;
};

py::list toPy(const SearchResult& result)
{
    py::list groups;
    for (int g = 0; g < result.groups.size(); ++g) {
        py::list group;
        const QStringList& ids = result.groups.at(g);
        for (int i = 0; i < ids.size(); ++i) {
            if (result.explained.isEmpty()) {
                group.append(toPy(ids.at(i)));
                continue;
            }
            const Explained& how = result.explained.at(g).at(i);
            py::dict entry;
            entry["mat_id"] = toPy(ids.at(i));
            entry["step"] = how.found ? py::object(toPy(how.step)) : py::object(py::none());
            entry["sort_value"] =
                how.found ? py::object(py::float_(how.sortValue)) : py::object(py::none());
            group.append(entry);
        }
        groups.append(group);
    }
    return groups;
}

QString indexErrorMessage(const QString& indexPath, const char* what)
{
    return QStringLiteral("%1: index error: %2").arg(indexPath, QString::fromLocal8Bit(what));
}

// ---- the engine ------------------------------------------------------------

/// vefinder.Engine: one VeFinder on one index; calls on one engine from
/// several Python threads take turns.
class Engine
{
public:
    Engine(const py::handle& indexDir, const py::handle& positions, bool deep)
        : m_indexPath(pathArgument(indexDir, "index_dir")), m_deep(deep)
    {
        checkIndex(m_indexPath);
        m_positions = positionsArgument(positions);
        m_finder.setPosIndex(m_positions);
        ensureDataDir();
        // Lexicons and segmenter dictionaries are read once per process; here
        // rather than in the middle of the first search.
        py::gil_scoped_release release;
        SearchUtil::instance();
        WordSegment::segmentText(QString(), true);
    }

    py::list quota(const py::handle& code, const py::handle& name, const py::handle& spec,
                   bool explain)
    {
        const QString c = textArgument(code, QStringLiteral("code"));
        const QString n = textArgument(name, QStringLiteral("name"));
        const QString s = textArgument(spec, QStringLiteral("spec"));
        return search(explain, [&](QList<QStringList>& groups) {
            int foundCount = INT_MIN;
            m_finder.quotaSearch(groups, c, n, s, m_indexPath, &foundCount, m_deep);
        });
    }

    py::list segment(const py::handle& text, bool explain)
    {
        const QString t = textArgument(text, QStringLiteral("text"));
        return search(explain, [&](QList<QStringList>& groups) {
            m_finder.segmentSearch(groups, t, m_indexPath, m_deep);
        });
    }

    py::list code(const py::handle& code, bool explain)
    {
        const QString c = textArgument(code, QStringLiteral("code"));
        return search(explain, [&](QList<QStringList>& groups) {
            QStringList ids;
            m_finder.normCodeSearch(ids, c, m_indexPath);
            groups = {ids};
        });
    }

    py::list batch(const py::iterable& rows, const py::handle& jobsArgument)
    {
        int jobs = QThread::idealThreadCount();
        if (!jobsArgument.is_none()) {
            const long long value =
                !py::isinstance<py::bool_>(jobsArgument) && py::hasattr(jobsArgument, "__index__")
                ? py::int_(py::reinterpret_borrow<py::object>(jobsArgument)).cast<long long>()
                : 0;
            if (value < 1 || value > 256)
                raise(PyExc_ValueError,
                      QStringLiteral("jobs expects a whole number from 1 to 256, got %1")
                          .arg(pyText(py::repr(jobsArgument))));
            jobs = static_cast<int>(value);
        }
        QVector<BatchRunner::Row> input;
        for (const py::handle& row : rows)
            input.append(rowArgument(row, input.size()));

        QVector<BatchRunner::Outcome> outcomes(input.size());
        {
            py::gil_scoped_release release;
            BatchRunner runner(m_indexPath, m_positions, m_deep, jobs);
            runner.run(
                input,
                [&](int row, const BatchRunner::Outcome& outcome) { outcomes[row] = outcome; },
                nullptr);
        }
        py::list results;
        for (int r = 0; r < outcomes.size(); ++r) {
            if (!outcomes.at(r).error.isEmpty())
                raise(PyExc_RuntimeError,
                      QStringLiteral("row %1: %2").arg(r).arg(outcomes.at(r).error));
            SearchResult result;
            result.groups = outcomes.at(r).groups;
            results.append(toPy(result));
        }
        return results;
    }

    QString indexPath() const { return m_indexPath; }
    bool deep() const { return m_deep; }

private:
    /// A row of batch(): a (code, name, spec) sequence or a mapping with
    /// "name" and optional "code" and "spec".
    static BatchRunner::Row rowArgument(const py::handle& row, int number)
    {
        const QString where = QStringLiteral("row %1").arg(number);
        BatchRunner::Row parsed;
        if (py::isinstance<py::str>(row) || py::isinstance<py::bytes>(row))
            raise(PyExc_ValueError,
                  where + QStringLiteral(": expected (code, name, spec) or a dict, got a string"));
        if (py::hasattr(row, "keys")) {
            const py::object mapping = py::reinterpret_borrow<py::object>(row);
            if (!mapping.contains("name"))
                raise(PyExc_ValueError,
                      where + QStringLiteral(": no \"name\"; expected keys code, name, spec"));
            parsed.name = textArgument(mapping["name"], where + QStringLiteral(": name"));
            if (mapping.contains("code"))
                parsed.code = textArgument(mapping["code"], where + QStringLiteral(": code"));
            if (mapping.contains("spec"))
                parsed.spec = textArgument(mapping["spec"], where + QStringLiteral(": spec"));
            return parsed;
        }
        if (!py::isinstance<py::sequence>(row) || py::len(row) != 3)
            raise(PyExc_ValueError,
                  where
                      + QStringLiteral(": expected (code, name, spec) or a dict, got %1")
                            .arg(pyText(py::repr(row))));
        const py::sequence fields = py::reinterpret_borrow<py::sequence>(row);
        parsed.code = textArgument(fields[0], where + QStringLiteral(": code"));
        parsed.name = textArgument(fields[1], where + QStringLiteral(": name"));
        parsed.spec = textArgument(fields[2], where + QStringLiteral(": spec"));
        return parsed;
    }

    template <typename Call>
    py::list search(bool explain, const Call& call)
    {
        SearchResult result;
        QString error;
        {
            py::gil_scoped_release release;
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_observer.clear();
            m_finder.setObserver(explain ? &m_observer : nullptr);
            try {
                call(result.groups);
            } catch (CLuceneError& e) {
                error = indexErrorMessage(m_indexPath, e.what());
            } catch (std::exception& e) {
                error = indexErrorMessage(m_indexPath, e.what());
            }
            m_finder.setObserver(nullptr);
            if (explain) {
                for (const QStringList& group : qAsConst(result.groups)) {
                    QVector<Explained> how;
                    for (const QString& matId : group) {
                        Explained entry;
                        const ExplainObserver::Delivery delivery =
                            m_observer.delivery(matId, &entry.found);
                        entry.step = delivery.step;
                        entry.sortValue = delivery.sortValue;
                        how.append(entry);
                    }
                    result.explained.append(how);
                }
            }
        }
        if (!error.isEmpty())
            raise(PyExc_RuntimeError, error);
        return toPy(result);
    }

    QString m_indexPath;
    bool m_deep;
    QHash<QString, QString> m_positions;
    VeFinder m_finder;
    ExplainObserver m_observer;
    std::mutex m_mutex; ///< one search at a time on m_finder
};

py::list entries(const py::handle& indexDir, const py::iterable& matIds)
{
    if (py::isinstance<py::str>(matIds))
        raise(PyExc_ValueError,
              QStringLiteral("mat_ids: expected a list of mat ids, got a single string"));
    const QString indexPath = pathArgument(indexDir, "index_dir");
    checkIndex(indexPath);
    QStringList ids;
    for (const py::handle& id : matIds)
        ids << textArgument(id, QStringLiteral("mat_ids"));
    EntryLookup lookup(indexPath);
    if (!lookup.error().isEmpty())
        raise(PyExc_OSError, lookup.error());
    py::list result;
    for (const QString& matId : qAsConst(ids)) {
        const CatalogueEntry entry = matId.isEmpty() ? CatalogueEntry() : lookup.entry(matId);
        if (!entry.found) {
            result.append(py::none());
            continue;
        }
        py::dict fields;
        fields["mat_id"] = toPy(matId);
        fields["code"] = toPy(entry.code);
        fields["name"] = toPy(entry.name);
        fields["spec"] = toPy(entry.spec);
        fields["brand"] = toPy(entry.brand);
        result.append(fields);
    }
    return result;
}

} // namespace

PYBIND11_MODULE(vefinder, m)
{
    m.doc() = "VeFinder: which catalogue entries of construction materials match a description.";
    m.attr("__version__") = VEFINDER_VERSION;

    m.def("set_data_dir", &setDataDir, py::arg("path"),
          "Names the directory that holds dict/MATLEX and dict/UTF-8 (or that dict/ itself). "
          "Call it before the first Engine; without it, dict/ beside the module or the "
          "installed layout (<prefix>/libexec/vefinder) is used.");
    m.def(
        "data_dir",
        []() { return s_dataDir.isEmpty() ? py::object(py::none()) : py::object(toPy(s_dataDir)); },
        "The data directory in use, None before the first Engine.");
    m.def("entries", &entries, py::arg("index_dir"), py::arg("mat_ids"),
          "The stored code, name, spec and brand of each mat id, as dicts; None for an id the "
          "index does not hold (or None/empty).");

    py::class_<Engine>(
        m, "Engine",
        "Searches one catalogue index. Engine(index_dir, positions=None, deep=True): "
        "positions is the location table, a dict (mat id to hexadecimal position) or "
        "the path of a file as for vefinder --positions; deep=False stops the fuzzy "
        "search after its two strictest strategies.")
        .def(py::init<const py::handle&, const py::handle&, bool>(), py::arg("index_dir"),
             py::arg("positions") = py::none(), py::arg("deep") = true)
        .def("quota", &Engine::quota, py::arg("code"), py::arg("name"), py::arg("spec"),
             py::arg("explain") = false,
             "Groups of mat ids, best first: the precise group, the fuzzy groups, the code group. "
             "With explain=True each entry is a dict of mat_id, step and sort_value.")
        .def("segment", &Engine::segment, py::arg("text"), py::arg("explain") = false,
             "The fuzzy groups of one free text.")
        .def("code", &Engine::code, py::arg("code"), py::arg("explain") = false,
             "One group: the entries whose code is exactly code.")
        .def("batch", &Engine::batch, py::arg("rows"), py::arg("jobs") = py::none(),
             "quota() for every row, (code, name, spec) or a dict with name and optional code and "
             "spec, on jobs threads (default: the number of cores); a list of results in the "
             "rows' order.")
        .def_property_readonly("index_dir", [](const Engine& e) { return toPy(e.indexPath()); })
        .def_property_readonly("deep", &Engine::deep)
        .def("__repr__", [](const Engine& e) {
            return toPy(QStringLiteral("vefinder.Engine(%1, deep=%2)")
                            .arg(pyText(py::repr(toPy(e.indexPath()))),
                                 e.deep() ? QStringLiteral("True") : QStringLiteral("False")));
        });
}
