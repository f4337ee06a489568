/** @file wordsegment.cpp @brief WordSegment, the pooled friso Chinese word segmenter. */
#include "segment/wordsegment.h"

#include "segment/datadir_p.h"
#include "segment/replacewords_p.h"
#include "segment/segmenterentry_p.h"

#include <QAtomicPointer>
#include <QFile>
#include <QRegExp>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <system_error>

namespace {

/// The installed instance; null until the first instance() call succeeds.
QAtomicPointer<WordSegment> s_instance;

const QString& dictionaryDir()
{
    static const QString dir = QStringLiteral("/dict/UTF-8/");
    return dir;
}

} // namespace

void readReplaceWords(QIODevice& device, QMap<QString, QString>& table)
{
    const QRegExp whitespace(QStringLiteral("\\s+"));
    bool firstLine = true;
    while (!device.atEnd()) {
        QByteArray line = device.readLine();
        // A table saved with a byte-order mark must still match its first key.
        if (firstLine && line.startsWith("\xEF\xBB\xBF"))
            line.remove(0, 3);
        firstLine = false;
        if (line.startsWith('#'))
            continue;
        const QStringList words = QString::fromUtf8(line).split(whitespace, Qt::SkipEmptyParts);
        if (words.size() < 2)
            continue;
        table.insert(words.at(0), words.at(1));
    }
}

QStringList WordSegment::segmentText(const QString& text, bool unique)
{
    return instance()->segment(text, unique);
}

WordSegment* WordSegment::instance()
{
    if (WordSegment* current = s_instance.loadAcquire())
        return current;
    // No lock: two threads arriving together both build a pool; the one that
    // loses the race discards its own.
    auto* created = new WordSegment;
    if (s_instance.testAndSetOrdered(nullptr, created)) {
        // The installed pool is never destroyed, so its loaders may run on
        // unjoined; a pool that loses the race joins them when destroyed.
        for (std::thread& loader : created->m_loaders) {
            if (loader.joinable())
                loader.detach();
        }
        return created;
    }
    delete created;
    return s_instance.loadAcquire();
}

WordSegment::WordSegment()
{
    m_poolSize = 3;
    init();
}

WordSegment::~WordSegment()
{
    for (std::thread& loader : m_loaders) {
        if (loader.joinable())
            loader.join();
    }
    freeAll();
}

void WordSegment::init()
{
    loadReplaceWords();

    const QByteArray dir = (veFinderDataDir() + dictionaryDir()).toLocal8Bit();
    m_segmenters.fill(nullptr, m_poolSize);
    // Each entry loads a dictionary of its own (friso writes into dictionary
    // entries while it segments). Entry 0 loads here, alone, so the first
    // call waits for one load; the others then load at the same time on
    // loader threads at a lower priority, while the first searches run, and
    // join the pool in index order. (Loading all three together made the
    // first load 1.6 times slower on two cores: they contend for memory.)
    loadEntry(0, dir, false);
    for (int i = 1; i < m_poolSize; ++i) {
        try {
            m_loaders.emplace_back([this, i, dir] { loadEntry(i, dir, true); });
        } catch (const std::system_error&) {
            for (int j = i; j < m_poolSize; ++j) // no thread to be had: load them here
                m_loaders.emplace_back();
            break;
        }
    }
    for (int i = 1; i < m_poolSize; ++i) {
        if (!m_loaders.at(size_t(i - 1)).joinable())
            loadEntry(i, dir, false);
    }
}

void WordSegment::loadEntry(int index, const QByteArray& dictionaryDir, bool background)
{
    if (background) // best effort; the loader thread ends after this load
        setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), 10);
    auto* entry = new SegmenterEntry;
    entry->friso = friso_new();
    entry->config = friso_new_config();
    initConfig(entry->config);
    entry->friso->charset = FRISO_UTF8;
    entry->friso->dic = friso_dic_new();
    QByteArray dir = dictionaryDir;
    friso_dic_load_from_ifile(entry->friso, entry->config, dir.data(), entry->config->max_len * 3);
    entry->task = friso_new_task();

    std::unique_lock<std::mutex> lock(m_mutex);
    m_loadedCond.wait(lock, [&] { return m_loadedCount == index; });
    m_segmenters[index] = entry;
    m_freeIndexes.append(index);
    ++m_loadedCount;
    m_loadedCond.notify_all();
    m_waitCond.notify_one();
}

void WordSegment::initConfig(friso_config_struct* config)
{
    config->max_len = 9;
    config->r_name = 1;
    config->mix_len = 2;
    config->lna_len = 1;
    config->add_syn = 0;
    config->clr_stw = 1;
    config->keep_urec = 1;
    config->spx_out = 0;
    config->en_sseg = 0;
    config->st_minl = 1;
    config->nthreshold = 2000000;
    config->mode = __FRISO_COMPLEX_MODE__;
    // Kept inside tokens, so that 2.5, 95+1 and ZR-YJV stay whole. The rest of
    // the buffer is zeroed by friso_new_config and terminates the list.
    static const char keptPunctuation[] = "@%.#&+-*";
    static_assert(sizeof(keptPunctuation) - 1 < _FRISO_KEEP_PUNC_LEN, "kpuncs too long");
    std::memcpy(config->kpuncs, keptPunctuation, sizeof(keptPunctuation) - 1);
}

void WordSegment::loadReplaceWords()
{
    QFile file(veFinderDataDir() + dictionaryDir() + QStringLiteral("word-replace.txt"));
    if (!file.open(QIODevice::ReadOnly))
        return;
    readReplaceWords(file, m_replaceWords);
}

void WordSegment::freeAll()
{
    for (SegmenterEntry* entry : qAsConst(m_segmenters)) {
        if (!entry)
            continue;
        if (entry->task)
            friso_free_task(entry->task);
        if (entry->config)
            std::free(entry->config);
        if (entry->friso)
            friso_free(entry->friso);
        delete entry;
    }
    m_segmenters.clear();
    m_freeIndexes.clear();
    m_loadedCount = 0;
}

QStringList WordSegment::segment(const QString& text, bool unique)
{
    // Pairs apply in key order, each to the result of the ones before.
    QString replaced = text;
    for (auto it = m_replaceWords.constBegin(); it != m_replaceWords.constEnd(); ++it)
        replaced.replace(it.key(), it.value());
    QByteArray utf8 = replaced.toUtf8();

    int index;
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_waitCond.wait(lock, [this] { return !m_freeIndexes.isEmpty(); });
        index = m_freeIndexes.takeFirst();
    }
    // Give the entry back however this scope is left.
    struct Release {
        WordSegment* self;
        int index;
        ~Release()
        {
            const std::lock_guard<std::mutex> lock(self->m_mutex);
            self->m_freeIndexes.append(index);
            self->m_waitCond.notify_one();
        }
    } release{this, index};

    SegmenterEntry* entry = m_segmenters.at(index);
    QStringList words;
    friso_set_text(entry->task, utf8.data());
    while (entry->config->next_token(entry->friso, entry->config, entry->task))
        words.append(QString::fromUtf8(entry->task->token->word));
    if (unique)
        words.removeDuplicates();
    if (words.isEmpty())
        words.append(text);
    return words;
}
