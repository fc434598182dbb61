#include "link/answerwatch.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr quint8 WriteSingleRegister = 0x06;
}

AnswerAssembly::AnswerAssembly(const QByteArray &request, bool echoExpected)
    : m_request(request), m_echoExpected(echoExpected),
      m_requestIsAnswer(request.size() > 1 && quint8(request.at(1)) == WriteSingleRegister)
{
}

void AnswerAssembly::add(const QByteArray &bytes, qint64 atNs)
{
    if (bytes.isEmpty())
        return;
    m_all += bytes;
    if (m_state == State::Undecided) {
        decide(atNs);
        return;
    }
    if (m_firstAnswerNs < 0)
        m_firstAnswerNs = atNs;
    m_answer += bytes;
}

void AnswerAssembly::decide(qint64 atNs)
{
    const int n = m_request.size();
    if (m_all.size() < n && m_request.startsWith(m_all))
        return; // the start of an echo, or of an answer that begins as the request does
    if (!m_all.startsWith(m_request)) {
        m_state = State::NoEcho;
        m_answer = m_all;
        m_firstAnswerNs = atNs;
        return;
    }
    // A copy of the request alone, where the answer would be one too: the echo only on a
    // line known to echo, else the answer.
    if (m_all.size() == n && m_requestIsAnswer && !m_echoExpected) {
        m_state = State::NoEcho;
        m_answer = m_all;
        m_firstAnswerNs = atNs;
        return;
    }
    m_state = State::Echo;
    m_answer = m_all.mid(n);
    if (!m_answer.isEmpty())
        m_firstAnswerNs = atNs;
}

bool AnswerAssembly::awaitingEcho() const
{
    return m_state == State::Undecided;
}

void Turnaround::add(double ms)
{
    if (!std::isfinite(ms))
        return;
    if (m_samples.size() < Kept) {
        m_samples.append(ms);
        return;
    }
    m_samples[m_next] = ms;
    m_next = (m_next + 1) % Kept;
}

double Turnaround::percentile(double q) const
{
    if (m_samples.isEmpty())
        return -1;
    QVector<double> sorted = m_samples;
    std::sort(sorted.begin(), sorted.end());
    const int rank = int(std::ceil(std::clamp(q, 0.0, 1.0) * sorted.size()));
    return sorted.at(std::clamp(rank - 1, 0, sorted.size() - 1));
}

int Turnaround::suggestedTimeoutMs() const
{
    const double p95 = percentile(0.95);
    if (p95 < 0)
        return -1;
    // Half as much again as the slow answers take, and 10 ms for a busy computer.
    const double wanted = std::max(0.0, p95) * 1.5 + 10;
    return std::max(LeastTimeoutMs, int(std::ceil(wanted / 10.0)) * 10);
}
