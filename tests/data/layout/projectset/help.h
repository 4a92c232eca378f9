#define CID_INTRO 10000

