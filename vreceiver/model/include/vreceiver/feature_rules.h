/* What the receiver does with the feature reports it is sent and asked
 * for: it refuses some writes when told to, refuses information requests
 * when told to, and answers the others with its information report. One
 * set of rules, applied by whatever serves the receiver: the model itself
 * in-process (native tests), the virtual receiver's driver under Wine
 * (which must answer on the class driver's thread at once, so it holds a
 * copy the receiver process keeps up to date).
 *
 * Plain C: the driver includes it too. */
#ifndef VRECEIVER_FEATURE_RULES_H
#define VRECEIVER_FEATURE_RULES_H

#define VR_INFO_REPORT_LENGTH 8

struct vr_feature_rules {
  /* Refuse the next `refuse_writes` writes (-1: all, 0: none), once
   * `accept_first` more have been accepted. */
  int refuse_writes;
  unsigned int accept_first;
  /* Information requests are refused while non-zero. */
  unsigned int refuse_reads;
  /* The answer to an information request, report ID first. */
  unsigned char info_report[VR_INFO_REPORT_LENGTH];
};

/* Takes one write under the rules: non-zero when it is accepted. */
static inline int vr_take_write(struct vr_feature_rules *rules) {
  if (rules->accept_first > 0) {
    rules->accept_first--;
    return 1;
  }
  if (rules->refuse_writes == 0) return 1;
  if (rules->refuse_writes > 0) rules->refuse_writes--;
  return 0;
}

/* Answers one information request into `report` (up to `length` bytes):
 * the bytes answered, or -1 when the request is refused. */
static inline int vr_answer_request(const struct vr_feature_rules *rules, unsigned char *report,
                                    unsigned int length) {
  unsigned int i;
  if (rules->refuse_reads) return -1;
  if (length > VR_INFO_REPORT_LENGTH) length = VR_INFO_REPORT_LENGTH;
  for (i = 0; i < length; i++) report[i] = rules->info_report[i];
  return (int)length;
}

#endif
