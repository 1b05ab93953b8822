/* Four-character codes of the plug-in property list and the scripting terminology, as the
   resource compiler needs them: the code's 32-bit value with the first character in the most
   significant byte, L for a 32-bit item. Stored little-endian, '8BIM' appears in the file as
   the bytes "MIB8", which is what the host reads on Windows. */
#pragma once

/* Property list vendor and keys. */
#define PIPL_VENDOR_PHOTOSHOP 0x3842494DL /* '8BIM' */
#define PIPL_KEY_KIND 0x6B696E64L         /* 'kind' */
#define PIPL_KEY_NAME 0x6E616D65L         /* 'name' */
#define PIPL_KEY_CATEGORY 0x63617467L     /* 'catg' */
#define PIPL_KEY_VERSION 0x76657273L      /* 'vers' */
#define PIPL_KEY_CODE_X86 0x77783836L     /* 'wx86': entry point of a 32-bit library */
#define PIPL_KEY_CODE_X64 0x38363634L     /* '8664': entry point of a 64-bit library */
#define PIPL_KEY_MODES 0x6D6F6465L        /* 'mode' */
#define PIPL_KEY_TERMINOLOGY 0x6873746DL  /* 'hstm' */
#define PIPL_KEY_ENABLE 0x656E626CL       /* 'enbl' */
#define PIPL_KEY_FILTER_CASES 0x66696369L /* 'fici' */

#define PIPL_KIND_FILTER 0x3842464DL /* '8BFM' */

/* Scripting suite, class, event and the direct parameter's type (the parameters' types are
   generated with their entries). */
#define AETE_SUITE_KESTRIMOND 0x4B533031L /* 'KS01' */
#define AETE_CLASS_QUENARA 0x4B433031L    /* 'KC01' */
#define AETE_NULL 0x6E756C6CL             /* 'null' */
#define AETE_TYPE_IMAGE_REF 0x23496D52L   /* '#ImR' */
