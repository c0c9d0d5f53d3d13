#pragma once
// Numeric ids of the dialog templates, controls, icons and accelerator commands.

namespace res {

// Icons.
constexpr int IDI_GREEN = 131;
constexpr int IDI_GREY = 132;
constexpr int IDI_RED = 133;
constexpr int IDI_YELLOW = 144;

// Accelerator table 134: Return and Space.
constexpr int IDR_ACCELERATOR = 134;
constexpr int ID_ACCEL_RETURN = 32771;
constexpr int ID_ACCEL_SPACE = 32772;

// Templates.
constexpr int IDD_ABOUTBOX = 100;
constexpr int IDD_KV90T_DIALOG = 102;
constexpr int IDD_BLANK = 147;
constexpr int IDM_ABOUTBOX = 0x10;
constexpr int IDC_ABOUT_BUILD = 1002;

// Main window: page host.
constexpr int IDC_PAGE_FRAME = 1000;
constexpr int IDC_TAB = 1001;
constexpr int IDC_STATUS = 1002;
constexpr int IDC_MODE_SELECTOR = 1003;
constexpr int IDC_MODE_PROGRESS = 1004;  // this console's own: a mode change under way
constexpr int IDC_RSSI_SCALE = 1005;     // this console's own: the bars' scale
constexpr int IDC_ABOUT_ICON = 1006;
constexpr int IDC_LINK_STATE = 1007;  // this console's own: "The device does not answer."
constexpr int IDC_TRENDS = 1299;      // this console's own: opens the trend view
constexpr int IDC_MARK = 1297;        // this console's own: an operator's mark in log and trends
constexpr int IDC_ALARMS = 1298;      // this console's own: the count of alarms to acknowledge

// Main window: groups (ids of this console's own).
constexpr int IDC_STATUS_GROUP = 1300;
constexpr int IDC_TIME_GROUP = 1301;
constexpr int IDC_SETUPS_GROUP = 1302;
constexpr int IDC_MODE_GROUP = 1303;

// Status rows: labels.
constexpr int IDC_SYMBUALCK = 14005;
constexpr int IDC_SYMBLCK = 14006;
constexpr int IDC_CARRLCK = 14007;
constexpr int IDC_FSPLCK = 14008;
constexpr int IDC_FRMLCK = 14009;
constexpr int IDC_CARRIER_FREQUENCY_LABEL = 1199;
constexpr int IDC_SYMBOL_RATE_LABEL = 1200;
constexpr int IDC_SYMBOL_UA_RATE_LABEL = 1201;
constexpr int IDC_RSSI_LABEL = 1066;
constexpr int IDC_FM_MOD_INDEX_LABEL = 1061;
constexpr int IDC_AM_MOD_INDEX_LABEL = 1074;

// Lamps per column: channel 1, channel 2, combiner path.
constexpr int IDC_CARRLCK_GREEN[3] = {14048, 14061, 14068};
constexpr int IDC_CARRLCK_RED[3] = {14047, 14060, 14065};
constexpr int IDC_SYMBLCK_GREEN[3] = {14046, 14059, 14067};
constexpr int IDC_SYMBLCK_RED[3] = {14045, 14058, 14064};
constexpr int IDC_SYMBUALCK_GREEN[3] = {14050, 14063, 14069};
constexpr int IDC_SYMBUALCK_RED[3] = {14049, 14062, 14066};
// Grey: the status could not be read (ids of this console's own).
constexpr int IDC_CARRLCK_GREY[3] = {14100, 14101, 14102};
constexpr int IDC_SYMBLCK_GREY[3] = {14103, 14104, 14105};
constexpr int IDC_SYMBUALCK_GREY[3] = {14106, 14107, 14108};
constexpr int IDC_FSPLCK_GREEN[3] = {14093, 14089, 14085};
constexpr int IDC_FSPLCK_RED[3] = {14092, 14088, 14084};
constexpr int IDC_FSPLCK_YELLOW[3] = {14095, 14091, 14087};
constexpr int IDC_FSPLCK_GREY[3] = {14094, 14090, 14086};
constexpr int IDC_FRMLCK_GREEN[3] = {14073, 14077, 14081};
constexpr int IDC_FRMLCK_RED[3] = {14054, 14076, 14080};
constexpr int IDC_FRMLCK_YELLOW[3] = {14075, 14079, 14083};
constexpr int IDC_FRMLCK_GREY[3] = {14074, 14078, 14082};

// Values per column.
constexpr int IDC_CARRIER_FREQUENCY[3] = {14051, 14055, 14070};
constexpr int IDC_SYMBOL_RATE[3] = {14052, 14056, 14071};
constexpr int IDC_SYMBOL_UA_RATE[3] = {14053, 14057, 14072};
constexpr int IDC_RSSI[2] = {1022, 1023};
constexpr int IDC_RSSI_BAR[2] = {1055, 1056};
constexpr int IDC_FM_MOD_INDEX[2] = {1028, 1029};
constexpr int IDC_AM_MOD_INDEX[2] = {1024, 1025};

// Time rows.
constexpr int IDC_SOY_LABEL = 1244;
constexpr int IDC_SOY_HEADER = 1245;
constexpr int IDC_SOY_YEAR = 14935;
constexpr int IDC_SOY_SECONDS = 14936;
constexpr int IDC_SOY_NANOSECONDS = 14937;
constexpr int IDC_SOY_SEPARATORS[2] = {14939, 14940};
constexpr int IDC_TIME_RED = 14921;
constexpr int IDC_TIME_GREY = 14922;
constexpr int IDC_TIME_GREEN = 14923;
constexpr int IDC_BCD_LABEL = 1285;
constexpr int IDC_BCD_HEADER = 1286;
constexpr int IDC_BCD_YEAR = 15516;
constexpr int IDC_BCD_DAYS = 15533;
constexpr int IDC_BCD_HOURS = 15536;
constexpr int IDC_BCD_MINUTES = 15540;
constexpr int IDC_BCD_SECONDS = 15547;
constexpr int IDC_BCD_MICROSECONDS = 15544;
constexpr int IDC_BCD_SEPARATORS[5] = {15519, 15522, 15524, 15527, 15530};
constexpr int IDC_CALENDAR_DATE = 1287;

// Saved setups.
constexpr int IDC_ALLOW_SAVING = 14331;
constexpr int IDC_USE_AT_BOOT = 14332;
constexpr int IDC_SAVE_SETUPS = 13009;
constexpr int IDC_SETUPS_CH1 = 14333;
constexpr int IDC_SETUPS_CH2 = 14335;
constexpr int IDC_SETUPS_CH3 = 14336;

}  // namespace res

namespace res {

// Communications page.
constexpr int IDD_COMPORT = 136;
constexpr int IDC_PORT_UPDOWN = 1006;
constexpr int IDC_PORT = 1007;
constexpr int IDC_BAUD_UPDOWN = 1008;
constexpr int IDC_BAUD = 1009;
constexpr int IDC_TEST = 1010;
constexpr int IDC_LINK_GREEN = 1011;
constexpr int IDC_LINK_RED = 1012;
constexpr int IDC_SAVE = 1013;
constexpr int IDC_USE_SERIAL = 1190;
constexpr int IDC_USE_ETHERNET = 1191;
constexpr int IDC_IP_ADDRESS = 1193;
constexpr int IDC_SERIAL_GROUP = 1194;
constexpr int IDC_ETHERNET_GROUP = 1195;
constexpr int IDC_COMM_NOTE = 1196;   // this console's own: what a save or the start-up left
constexpr int IDC_COMM_RETRY = 1197;  // this console's own: runs a failed start-up again

}  // namespace res

namespace res {

// PCM/FM channel and combiner pages (ids of this console's own).
constexpr int IDD_PCMFM_CHANNEL = 160;
constexpr int IDD_PCMFM_COMBINER = 161;
constexpr int IDC_SETUP_TITLE = 2001;
// Shown instead of values when the page's read-back failed, with a Retry.
constexpr int IDC_READ_NOTICE_GROUP = 2002;
constexpr int IDC_READ_NOTICE = 2003;
constexpr int IDC_READ_RETRY = 2004;
constexpr int IDC_TUNING_GROUP = 2010;
constexpr int IDC_TUNING_FREQUENCY = 2011;
constexpr int IDC_BAND_RANGE[5] = {2012, 2013, 2014, 2015, 2016};
constexpr int IDC_TUNING_SEND = 2017;
constexpr int IDC_INPUT_SELECT_GROUP = 2020;
constexpr int IDC_INPUT_SELECT = 2021;
constexpr int IDC_INPUT_SELECT_UPDOWN = 2022;
constexpr int IDC_SUBMODE_GROUP = 2025;
constexpr int IDC_SUBMODE = 2026;
constexpr int IDC_SUBMODE_UPDOWN = 2027;
constexpr int IDC_AGC_GROUP = 2030;
constexpr int IDC_AGC_TIME_CONSTANT = 2031;
constexpr int IDC_AGC_TIME_CONSTANT_UPDOWN = 2032;
constexpr int IDC_AGC_FREEZE = 2033;
constexpr int IDC_AGC_MODE = 2034;
constexpr int IDC_AGC_MODE_UPDOWN = 2035;
constexpr int IDC_AGC_ZERO = 2036;
constexpr int IDC_DEEMPHASIS_GROUP = 2040;
constexpr int IDC_DEEMPHASIS = 2041;
constexpr int IDC_DEEMPHASIS_UPDOWN = 2042;
constexpr int IDC_SSFM_GROUP = 2045;
constexpr int IDC_SSFM_INVERT = 2046;
constexpr int IDC_FILTERS_GROUP = 2050;
constexpr int IDC_AM_FILTER = 2051;
constexpr int IDC_AM_FILTER_UPDOWN = 2052;
constexpr int IDC_AM_INVERT = 2053;
constexpr int IDC_IF_BANDWIDTH = 2054;
constexpr int IDC_IF_BANDWIDTH_UPDOWN = 2055;
constexpr int IDC_VIDEO_FILTER = 2056;
constexpr int IDC_VIDEO_FILTER_UPDOWN = 2057;
constexpr int IDC_ACQUISITION_RANGE = 2058;
constexpr int IDC_CARRIER_LBW = 2059;
constexpr int IDC_CARRIER_LBW_UPDOWN = 2060;
constexpr int IDC_ASSISTED = 2061;
constexpr int IDC_FILTERS_SEND = 2062;
constexpr int IDC_INPUT_DATA_GROUP = 2070;
constexpr int IDC_BIT_RATE = 2071;
constexpr int IDC_PCM_CODE = 2072;
constexpr int IDC_PCM_CODE_UPDOWN = 2073;
constexpr int IDC_LOOP_BANDWIDTH = 2074;
constexpr int IDC_LOOP_BANDWIDTH_UPDOWN = 2075;
constexpr int IDC_INPUT_DATA_SEND = 2076;
constexpr int IDC_OUTPUT_DATA_GROUP = 2080;
constexpr int IDC_OUTPUT_PCM_CODE = 2081;
constexpr int IDC_OUTPUT_PCM_CODE_UPDOWN = 2082;
constexpr int IDC_CLOCK_PHASE = 2083;
constexpr int IDC_CLOCK_PHASE_UPDOWN = 2084;
constexpr int IDC_OUTPUT_INVERTED = 2085;
constexpr int IDC_MOD_INDEX_GROUP = 2090;
constexpr int IDC_MIN_MOD_INDEX = 2091;
constexpr int IDC_MIN_MOD_INDEX_UPDOWN = 2092;
constexpr int IDC_START_MOD_INDEX = 2093;
constexpr int IDC_START_MOD_INDEX_UPDOWN = 2094;
constexpr int IDC_MAX_MOD_INDEX = 2095;
constexpr int IDC_MAX_MOD_INDEX_UPDOWN = 2096;
constexpr int IDC_MOD_INDEX_TRACKING = 2097;
constexpr int IDC_MOD_INDEX_SEND = 2098;
constexpr int IDC_COMBINER_GROUP = 2100;
constexpr int IDC_SIGNAL_BANDWIDTH = 2101;
constexpr int IDC_SNR_FILTER_BANDWIDTH = 2102;
constexpr int IDC_PHASE_FILTER_BANDWIDTH = 2103;
constexpr int IDC_COMBINER_TYPE = 2104;
constexpr int IDC_COMBINER_TYPE_UPDOWN = 2105;
constexpr int IDC_REAL_COMBINING = 2106;
constexpr int IDC_UPSAMPLE = 2107;
constexpr int IDC_COMBINER_SEND = 2108;

// PSK pages: the Q stream (ids of this console's own).
constexpr int IDD_PSK_CHANNEL = 162;
constexpr int IDD_PSK_COMBINER = 163;
constexpr int IDC_Q_INPUT_DATA_GROUP = 2110;
constexpr int IDC_Q_BIT_RATE = 2111;
constexpr int IDC_Q_PCM_CODE = 2112;
constexpr int IDC_Q_PCM_CODE_UPDOWN = 2113;
constexpr int IDC_Q_LOOP_BANDWIDTH = 2114;
constexpr int IDC_Q_LOOP_BANDWIDTH_UPDOWN = 2115;
constexpr int IDC_Q_INPUT_DATA_SEND = 2116;
constexpr int IDC_Q_OUTPUT_DATA_GROUP = 2120;
constexpr int IDC_Q_OUTPUT_PCM_CODE = 2121;
constexpr int IDC_Q_OUTPUT_PCM_CODE_UPDOWN = 2122;
constexpr int IDC_Q_CLOCK_PHASE = 2123;
constexpr int IDC_Q_CLOCK_PHASE_UPDOWN = 2124;
constexpr int IDC_Q_OUTPUT_INVERTED = 2125;

// Tape up/down converter page (ids of this console's own).
constexpr int IDD_TAPE = 166;
constexpr int IDC_TAPE_SETUP_GROUP = 2200;
constexpr int IDC_TAPE_BANDWIDTH = 2201;
constexpr int IDC_TAPE_BANDWIDTH_UPDOWN = 2202;
constexpr int IDC_TAPE_INPUT_FREQUENCY = 2203;
constexpr int IDC_TAPE_OUTPUT_FREQUENCY = 2204;
constexpr int IDC_TAPE_INPUT_SELECT_LABEL = 2205;
constexpr int IDC_TAPE_INPUT_SELECT = 2206;
constexpr int IDC_TAPE_INPUT_SELECT_UPDOWN = 2207;
constexpr int IDC_TAPE_SETUP_SEND = 2208;
constexpr int IDC_TAPE_SETUP_READ = 2209;
constexpr int IDC_TAPE_BB_GROUP = 2210;
constexpr int IDC_TAPE_BB_DAC = 2211;
constexpr int IDC_TAPE_BB_SEND = 2212;
constexpr int IDC_TAPE_BB_READ = 2213;
constexpr int IDC_TAPE_IF_GROUP = 2220;
constexpr int IDC_TAPE_IF_DAC = 2221;
constexpr int IDC_TAPE_IF_SEND = 2222;
constexpr int IDC_TAPE_IF_READ = 2223;

// Bit-sync pages (ids of this console's own).
constexpr int IDD_BITSYNC_CHANNEL = 167;
constexpr int IDD_BITSYNC_COMBINER = 168;
constexpr int IDC_BITSYNC_INPUT_INVERTED = 2300;
constexpr int IDC_MATCHED_FILTER_GROUP = 2310;
constexpr int IDC_MATCHED_ID = 2311;
constexpr int IDC_MATCHED_SRRC = 2312;
constexpr int IDC_SRRC_BETA = 2313;
constexpr int IDC_SRRC_BETA_UPDOWN = 2314;
constexpr int IDC_BASEBAND_GROUP = 2320;
constexpr int IDC_BASEBAND_INPUT[4] = {2321, 2322, 2323, 2324};
constexpr int IDC_SE_GROUP = 2330;
constexpr int IDC_SE_IMPEDANCE[4] = {2331, 2332, 2333, 2334};
constexpr int IDC_DIFF_GROUP = 2340;
constexpr int IDC_DIFF_IMPEDANCE[2] = {2341, 2342};
constexpr int IDC_ENHANCED_GROUP = 2350;
constexpr int IDC_ENHANCED_ACQ = 2351;

// Multi-h CPM pages.
constexpr int IDD_MHCPM_CHANNEL = 164;
constexpr int IDD_MHCPM_COMBINER = 165;

// Receive BERT page (ids of this console's own): one entry per tester stream, unit x 2 + stream.
constexpr int IDD_RCV_BERT = 169;
constexpr int IDC_BERT_SETUP_GROUP[3] = {2400, 2401, 2402};
constexpr int IDC_BERT_STATUS_GROUP[3] = {2403, 2404, 2405};
constexpr int IDC_BERT_ENABLED[6] = {2410, 2411, 2412, 2413, 2414, 2415};
constexpr int IDC_BERT_INVERT_CLOCK[6] = {2420, 2421, 2422, 2423, 2424, 2425};
constexpr int IDC_BERT_PATTERN[6] = {2430, 2431, 2432, 2433, 2434, 2435};
constexpr int IDC_BERT_PATTERN_UPDOWN[6] = {2440, 2441, 2442, 2443, 2444, 2445};
constexpr int IDC_BERT_LOCK_GREEN[6] = {2450, 2451, 2452, 2453, 2454, 2455};
constexpr int IDC_BERT_LOCK_RED[6] = {2460, 2461, 2462, 2463, 2464, 2465};
constexpr int IDC_BERT_LOCK_GREY[6] = {2470, 2471, 2472, 2473, 2474, 2475};
constexpr int IDC_BERT_LOCK_TEXT[6] = {2480, 2481, 2482, 2483, 2484, 2485};
constexpr int IDC_BERT_INVERSION_GREEN[6] = {2490, 2491, 2492, 2493, 2494, 2495};
constexpr int IDC_BERT_INVERSION_YELLOW[6] = {2500, 2501, 2502, 2503, 2504, 2505};
constexpr int IDC_BERT_INVERSION_GREY[6] = {2510, 2511, 2512, 2513, 2514, 2515};
constexpr int IDC_BERT_INVERSION_TEXT[6] = {2520, 2521, 2522, 2523, 2524, 2525};
constexpr int IDC_BERT_BIT_ERRORS[6] = {2530, 2531, 2532, 2533, 2534, 2535};
constexpr int IDC_BERT_BIT_COUNT[6] = {2540, 2541, 2542, 2543, 2544, 2545};
constexpr int IDC_BERT_BER[6] = {2550, 2551, 2552, 2553, 2554, 2555};
constexpr int IDC_BERT_BIT_RATE[6] = {2560, 2561, 2562, 2563, 2564, 2565};
constexpr int IDC_BERT_OUT_OF_LOCK[6] = {2570, 2571, 2572, 2573, 2574, 2575};
constexpr int IDC_BERT_RESET[6] = {2580, 2581, 2582, 2583, 2584, 2585};
constexpr int IDC_BERT_CHART = 2590;  // this console's own: the BER of each stream over time

// DAU setup channel page (ids of this console's own).
constexpr int IDD_DAU_CHANNEL = 170;
constexpr int IDC_DAU_TITLE = 2600;
constexpr int IDC_DAU_SETUP_GROUP = 2601;
constexpr int IDC_DAU_BANDWIDTH = 2602;
constexpr int IDC_DAU_BANDWIDTH_SEND = 2603;
constexpr int IDC_DAU_SAMPLES = 2604;
constexpr int IDC_DAU_SAMPLES_UPDOWN = 2605;
constexpr int IDC_DAU_DATAGRAM_SIZE = 2606;
constexpr int IDC_DAU_SAMPLE_RATE = 2607;
constexpr int IDC_DAU_NO_1PPS = 2608;
constexpr int IDC_DAU_BB[3] = {2610, 2611, 2612};
constexpr int IDC_DAU_SE[3] = {2613, 2614, 2615};
constexpr int IDC_DAU_IMPEDANCE[3] = {2616, 2617, 2618};
constexpr int IDC_DAU_GAIN = 2620;
constexpr int IDC_DAU_GAIN_UPDOWN = 2621;
constexpr int IDC_DAU_GAIN_STEP[4] = {2622, 2623, 2624, 2625};  // +10, -10, +100, -100
constexpr int IDC_DAU_BASELINE = 2626;
constexpr int IDC_DAU_BASELINE_UPDOWN = 2627;
constexpr int IDC_DAU_BASELINE_STEP[4] = {2628, 2629, 2630, 2631};
constexpr int IDC_DAU_DAC_SEND = 2632;
constexpr int IDC_DAU_ADC_GROUP = 2640;
constexpr int IDC_DAU_BIN_LABEL[8] = {2641, 2642, 2643, 2644, 2645, 2646, 2647, 2648};
constexpr int IDC_DAU_BIN[8] = {2651, 2652, 2653, 2654, 2655, 2656, 2657, 2658};
constexpr int IDC_DAU_OVR_LABEL = 2649;
constexpr int IDC_DAU_OVR = 2659;
constexpr int IDC_DAU_CONTINUOUS_ADC = 2660;
constexpr int IDC_DAU_SOCKET_GROUP = 2670;
constexpr int IDC_DAU_LOCAL_SOCKET = 2671;
constexpr int IDC_DAU_REMOTE_SOCKET = 2672;
constexpr int IDC_DAU_REQUEST_DATA = 2673;
constexpr int IDC_DAU_SAVE_BINARY = 2674;
constexpr int IDC_DAU_CONVERT_CSV = 2675;
constexpr int IDC_DAU_CONVERT_PROGRESS = 2676;
constexpr int IDC_DAU_HEADER_GROUP = 2680;
constexpr int IDC_DAU_HEADER_WORD[12] = {2681, 2682, 2683, 2684, 2685, 2686,
                                         2687, 2688, 2689, 2690, 2691, 2692};
constexpr int IDC_DAU_GPS_STATE = 2700;
constexpr int IDC_DAU_GPS_QUALITY = 2701;
constexpr int IDC_DAU_RAW_RSSI = 2702;
constexpr int IDC_DAU_RSSI_VOLTAGE = 2703;
constexpr int IDC_DAU_SEQUENCE = 2704;
constexpr int IDC_DAU_DATA_TYPE = 2705;
constexpr int IDC_DAU_IRIG_YEARS = 2706;
constexpr int IDC_DAU_IRIG_SECONDS = 2707;
constexpr int IDC_DAU_IRIG_DATE = 2708;
constexpr int IDC_DAU_IRIG_NANOSECONDS = 2709;
constexpr int IDC_DAU_TSLOCK_GREEN = 2710;
constexpr int IDC_DAU_TSLOCK_GREY = 2711;
constexpr int IDC_DAU_FLYWHEEL_YELLOW = 2712;
constexpr int IDC_DAU_FLYWHEEL_GREY = 2713;
constexpr int IDC_DAU_WAVEFORM = 2714;  // this console's own: the shown datagram's samples

// DAU time code page (ids of this console's own).
constexpr int IDD_DAU_TIME = 171;
constexpr int IDC_IRIG_CODES_GROUP = 2800;
constexpr int IDC_IRIG_CODE[23] = {2801, 2802, 2803, 2804, 2805, 2806, 2807, 2808,
                                   2809, 2810, 2811, 2812, 2813, 2814, 2815, 2816,
                                   2817, 2818, 2819, 2820, 2821, 2822, 2823};
constexpr int IDC_IRIG_WEEKS = 2830;
constexpr int IDC_IRIG_SECONDS_OF_WEEK = 2831;
constexpr int IDC_IRIG_SEED = 2832;
constexpr int IDC_IRIG_SETUP_GROUP = 2840;
constexpr int IDC_IRIG_TYPE = 2841;
constexpr int IDC_IRIG_MODULATION = 2842;
constexpr int IDC_IRIG_CARRIER = 2843;
constexpr int IDC_IRIG_CODED = 2844;
constexpr int IDC_IRIG_TERMINATION_GROUP = 2850;
constexpr int IDC_IRIG_TERMINATION = 2851;
constexpr int IDC_IRIG_SIGNAL_GROUP = 2855;
constexpr int IDC_IRIG_USE_1PPS = 2856;
constexpr int IDC_IRIG_USE_EXT_IRIG = 2857;
constexpr int IDC_IRIG_USE_FLYWHEEL = 2858;
constexpr int IDC_IRIG_TIME_GROUP = 2860;
constexpr int IDC_IRIG_TIME_EDIT[5] = {2861, 2862, 2863, 2864,
                                       2865};  // year, day, hour, minute, second
constexpr int IDC_IRIG_TIME_UPDOWN[5] = {2866, 2867, 2868, 2869, 2870};
constexpr int IDC_IRIG_SEND = 2871;

// DAU built-in test page (ids of this console's own).
constexpr int IDD_DAU_BIT = 172;
constexpr int IDC_BIT_PHYSICAL_GROUP = 2900;
constexpr int IDC_BIT_RAIL[8] = {2901, 2902, 2903, 2904, 2905, 2906, 2907, 2908};
constexpr int IDC_BIT_RAIL_GREEN[8] = {2911, 2912, 2913, 2914, 2915, 2916, 2917, 2918};
constexpr int IDC_BIT_RAIL_YELLOW[8] = {2921, 2922, 2923, 2924, 2925, 2926, 2927, 2928};
constexpr int IDC_BIT_TEMPERATURE = 2930;
constexpr int IDC_BIT_SUPPLY_VOLTAGE = 2931;
constexpr int IDC_BIT_SUPPLY_CURRENT = 2932;
constexpr int IDC_BIT_SUPPLY_POWER = 2933;
constexpr int IDC_BIT_READ_PHYSICAL = 2934;
constexpr int IDC_BIT_HISTORY_GROUP = 2940;
constexpr int IDC_BIT_VOLTAGE_LOW = 2941;
constexpr int IDC_BIT_VOLTAGE_HIGH = 2942;
constexpr int IDC_BIT_TEMP_LOW_C = 2943;
constexpr int IDC_BIT_TEMP_HIGH_C = 2944;
constexpr int IDC_BIT_TEMP_LOW_F = 2945;
constexpr int IDC_BIT_TEMP_HIGH_F = 2946;
constexpr int IDC_BIT_RUNTIME[6] = {2950, 2951, 2952, 2953, 2954, 2955};  // years to seconds
constexpr int IDC_BIT_READ_HISTORY = 2956;

// NAND flash page (ids of this console's own).
constexpr int IDD_NAND_FLASH = 173;
constexpr int IDC_NAND_CHANNEL[3] = {3001, 3002, 3003};
constexpr int IDC_NAND_CHANNEL_TEXT = 3004;
constexpr int IDC_NAND_INSTALL = 3005;
constexpr int IDC_NAND_PROGRESS = 3006;
constexpr int IDC_NAND_LIST = 3007;
constexpr int IDC_NAND_READ_DIRECTORY = 3008;
constexpr int IDC_NAND_REPAIR = 3009;
constexpr int IDC_NAND_CAPACITY = 3010;

// System page (template 142; the group ids are this console's own).
constexpr int IDD_SYSTEM = 142;
constexpr int IDC_SYS_IDENTITY_GROUP = 3100;
constexpr int IDC_SYS_HARDWARE_GROUP = 3101;
constexpr int IDC_SYS_PRODUCT_GROUP = 3102;
constexpr int IDC_SYS_CLOCK_GROUP = 3103;
constexpr int IDC_SYS_CONTROLS_GROUP = 3104;
constexpr int IDC_SYS_MEMORY_GROUP = 3105;
constexpr int IDC_SYS_REFERENCE_CLOCK = 1016;
constexpr int IDC_SYS_SERIAL_NUMBER = 2031;
constexpr int IDC_SYS_DEVICE_ID = 2014;
constexpr int IDC_SYS_DSP1_VERSION = 2010;
constexpr int IDC_SYS_DSP2_VERSION = 2015;
constexpr int IDC_SYS_FIO_VERSION = 2019;
constexpr int IDC_SYS_BRIDGE_VERSION = 2021;
constexpr int IDC_SYS_DEMOD_VERSION = 2022;
constexpr int IDC_SYS_PERSONALITY_CODE = 12993;
constexpr int IDC_SYS_PERSONALITY_NAME = 12994;
constexpr int IDC_SYS_HARDWARE_ID = 12995;
constexpr int IDC_SYS_DSP_BOARD = 12968;
constexpr int IDC_SYS_DEMOD_BOARD = 12969;
constexpr int IDC_SYS_IF_BOARD = 12971;
constexpr int IDC_SYS_RF_BOARD = 12972;
constexpr int IDC_SYS_IP_ADDRESS = 12967;
constexpr int IDC_SYS_DHCP = 14148;
constexpr int IDC_SYS_PRODUCT[5] = {2883, 2884, 2885, 2886, 2887};
constexpr int IDC_SYS_READ = 2029;
constexpr int IDC_SYS_TTL = 3846;
constexpr int IDC_SYS_TTL_UPDOWN = 7683;
constexpr int IDC_SYS_TTL_SAVE = 2879;
constexpr int IDC_SYS_PING = 2030;
constexpr int IDC_SYS_PING_REPLY = 1274;
constexpr int IDC_SYS_CONSOLIDATED_OFF = 12958;
constexpr int IDC_SYS_GRAPHS_OFF = 12959;
// The firmware and FPGA update on the System page.
constexpr int IDC_SYS_DSP_GROUP = 3106;
constexpr int IDC_SYS_FPGA_GROUP = 3107;
constexpr int IDC_SYS_DSP_NOTE = 3109;
constexpr int IDC_SYS_FPGA_NOTE = 3110;
constexpr int IDC_SYS_FPGA_PATH = 12974;
constexpr int IDC_SYS_FPGA_BROWSE = 12973;
constexpr int IDC_SYS_FPGA_LOAD = 12963;
constexpr int IDC_SYS_IMAGE_LENGTH = 12965;
constexpr int IDC_SYS_PROGRAMMED = 12970;
constexpr int IDC_SYS_CANCEL = 15214;
constexpr int IDC_SYS_TRANSFER_STATE = 12996;  // this console's own: a page write being retried
constexpr int IDC_SYS_PROGRESS_GROUP = 3108;
constexpr int IDC_SYS_DSP_PATH[2] = {12950, 12955};
constexpr int IDC_SYS_DSP_BROWSE[2] = {12951, 12954};
constexpr int IDC_SYS_DSP_LOAD[2] = {12952, 12953};
constexpr int IDC_SYS_PROGRESS_CAPTION[2] = {15395, 15396};
constexpr int IDC_SYS_PROGRESS[2] = {15212, 15213};
constexpr int IDC_SYS_MEMORY[12] = {1189, 1190, 1191, 1192, 1193, 1194,
                                    1195, 1196, 1197, 1198, 1199, 1200};

}  // namespace res
