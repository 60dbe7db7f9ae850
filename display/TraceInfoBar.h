// The contents of the "Trace info" bar: measurements of the trace selected in the radargram
// between the view's two sample cursors (times, amplitudes, DC level, the 95 % amplitude and
// a distance) in a three-column list, and the edit "Max amplitude:" whose number sets the
// full scale of the view's side plot. The view hands it the trace and the cursors after
// every paint; the main window passes the amplitude on to the active view.
#pragma once

#include "model/STrace.h"

#include <QStringList>
#include <QWidget>

#include <cstdint>
#include <functional>

class QLabel;
class QLineEdit;
class QTableWidget;

// What the statistics need besides the trace: the current channel's sampling frequency,
// the ground velocity and the metres per distance unit.
struct TraceInfoContext {
    float frequency = 0.0f;  // MHz
    float velocity = 100.0f; // metres per microsecond
    double unitFactor = 1.0; // metres per distance unit
};

struct TraceStatistics {
    float t1 = 0, t2 = 0, deltaT = 0, inverseDeltaT = 0;  // ns, ns, ns, MHz
    int vppMax = 0;
    std::int16_t v1 = 0, v2 = 0;
    int avWc95 = 0;  // 0..32768: the magnitude of -32768 fits no 16-bit number
    float dcLevel = 0;
    double rawDistance = 0;
    int cursor1 = 0, cursor2 = 0;
};

// The statistics of samples cursor1..cursor2 of `samples` (`count` of them). The cursors are
// first held to the trace and put in order. Times need a sampling frequency a unit can have
// (finite, above 0): otherwise times, 1/delta-t and the distance are 0.
TraceStatistics ComputeTraceStatistics(const std::int16_t* samples, int count, int cursor1, int cursor2,
                                       const TraceInfoContext& context);
// Labels and value texts of the list's twelve rows, numbers with '.' as decimal point.
QStringList TraceInfoLabels();
QStringList TraceInfoValues(const TraceStatistics& s);
// The full scale an edit text asks for: a decimal integer read as the C library's atoi reads
// one (leading blanks, a sign, digits; none gives 0), without sign, at most 65535.
int ParseMaxAmplitude(const QString& text);

class CTraceInfoBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int kRows = 12;

    // `context` is asked for each recomputation.
    explicit CTraceInfoBar(std::function<TraceInfoContext()> context, QWidget* parent = nullptr);

    const TraceStatistics& Statistics() const { return m_stats; }
    QTableWidget* List() const { return m_list; }
    QLineEdit* Edit() const { return m_edit; }

public Q_SLOTS:
    // The view's selected trace (null: keep the present copy) and its two cursors.
    void OnSetTraceInfo(const CSTrace* trace, quint16 cursor1, quint16 cursor2);
    // Back to what the bar shows before any view has handed it a trace: no data set is open,
    // so nothing of the last one stays or is measured again.
    void Clear();

Q_SIGNALS:
    // The full scale for the active view's side plot, 0..65535.
    void maxAmplitudeChanged(int amplitude);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void FillList();

    std::function<TraceInfoContext()> m_context;
    QTableWidget* m_list = nullptr;
    QLabel* m_label = nullptr;
    QLineEdit* m_edit = nullptr;
    CSTrace m_trace;
    int m_cursor1 = 0, m_cursor2 = 0;
    TraceStatistics m_stats;
};
